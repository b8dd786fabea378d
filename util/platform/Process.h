#ifndef QVX_PROCESS_H
#define QVX_PROCESS_H

#include <string>
#include <vector>

#include "QvxExport.h"

// Starting programs as separate processes: no shell, arguments handed over
// one by one exactly as given, the environment and open handles inherited.
namespace qvx {
namespace platform {

// Who collects the process when it ends.
enum class ProcessCollection
{
    Library,  // collected in the background; the caller never waits for it
    Caller    // the caller waits for it with waitForProcess
};

// The host path of the executable that program names, or "" when there is
// none. A program with a directory in it is taken as it is; a bare name is
// looked for in the directories of the search path "PATH", in order. The
// executable name rules of HostPath.h apply.
QVXUTIL_API std::string findExecutable(const std::string& program);

// Starts program (see findExecutable) with arguments as its whole argument
// list, argument 0 included, in workingDirectory (library form; empty keeps
// the caller's). Returns 0 when the process runs the program, otherwise the
// host's error code: a program that is not found, a directory that cannot be
// entered and a program that cannot be executed are all reported here, before
// the call returns. processId, when given, receives the process's id.
QVXUTIL_API int startProcess(const std::string& program, const std::vector<std::string>& arguments,
                             const std::string& workingDirectory, ProcessCollection collection,
                             long* processId);

// Waits for a process started with ProcessCollection::Caller. True and its
// exit code (128 + signal number when a signal ended it) once it has ended.
QVXUTIL_API bool waitForProcess(long processId, int& exitCode);

// The id of the calling process.
QVXUTIL_API long currentProcessId();

}  // namespace platform
}  // namespace qvx

#endif
