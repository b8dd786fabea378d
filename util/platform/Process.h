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

// Command lines as one string, read the way programs of the library's original
// platform read theirs: blanks (space, tab) separate arguments; a quotation
// mark starts or ends a quoted stretch in which blanks are kept (two marks
// inside one stand for a literal mark); 2n
// backslashes before a quotation mark stand for n backslashes and the mark
// quotes, 2n+1 backslashes before one for n backslashes and a literal mark;
// other backslashes are themselves. The first word is a path and is read
// apart: up to the next blank, or, when it starts with a quotation mark, up to
// the next one, backslashes always themselves.
QVXUTIL_API std::vector<std::string> splitCommandLine(const std::string& commandLine);

// The inverse of splitCommandLine: arguments joined by one blank, one that
// holds a blank or a quotation mark, or is empty, in quotation marks. A first
// word that holds a quotation mark cannot be written so and is written as it
// is.
QVXUTIL_API std::string joinCommandLine(const std::vector<std::string>& arguments);

// Starts the executable at program (library form; not looked for on the search
// path: a relative path is taken from the caller's current directory, and the
// executable name rules of HostPath.h apply) with commandLine split into its
// arguments by splitCommandLine, the first word in host form as argument 0 (the
// program itself when the command line is empty), in workingDirectory (empty
// keeps the caller's). The process is collected in the background. Returns 0
// or the host's error code, never 1 (EPERM is reported as EACCES, so that no
// code reads as the "started" of callers that count 1 as success). When it
// returns 0 the process's command line can already be read from the process
// table (a brief, bounded wait). processId, when given, receives the id.
QVXUTIL_API int startProgram(const std::string& program, const std::string& commandLine,
                             const std::string& workingDirectory, long* processId);

// Waits for a process started with ProcessCollection::Caller. True and its
// exit code (128 + signal number when a signal ended it) once it has ended.
QVXUTIL_API bool waitForProcess(long processId, int& exitCode);

// Runs program (see findExecutable) with arguments, argument 0 included, and
// waits for it. Its standard output and standard error are collected together
// into output, of which at most maxOutputBytes are kept (the rest is read and
// dropped, so the program never blocks on a full pipe). A program still
// running after timeoutMilliseconds is killed. Returns 0 and the exit code
// (128 + signal number when a signal ended it) once the program has ended,
// otherwise the host's error code: ENOENT style codes for a program that
// cannot be started, ETIMEDOUT when it had to be killed.
QVXUTIL_API int runProcess(const std::string& program, const std::vector<std::string>& arguments,
                           std::size_t maxOutputBytes, int timeoutMilliseconds, std::string& output,
                           int& exitCode);

// The id of the calling process.
QVXUTIL_API long currentProcessId();

}  // namespace platform
}  // namespace qvx

#endif
