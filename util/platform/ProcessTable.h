#ifndef QVX_PROCESS_TABLE_H
#define QVX_PROCESS_TABLE_H

#include <string>
#include <vector>

#include "QvxExport.h"

// The running processes of this machine, each with its name, executable path,
// command line and id, and ending one of them by id.
//
// Choices of this layer:
// - name: the file name of the process's executable, in full (never a
//   shortened kernel name when the full one can be had). When the executable
//   cannot be read (another user's process without the privilege to look,
//   a kernel thread), the file name of the first command-line word; when there
//   is no command line either, the name the host keeps for the process.
// - path: the executable's path in the library's form (backslashes); a path
//   the host reports as deleted keeps its name without that mark.
// - command line: the argument vector as one string, arguments separated by
//   one blank; an argument that holds a blank, a tab or a quotation mark, or
//   is empty, is written in quotation marks (a quotation mark inside as \",
//   backslashes before one doubled), so that splitCommandLine (Process.h)
//   gives the same vector back. The first word is written in the library's
//   path form, so that the executable path is found in the text even when a
//   directory name holds a blank. A process with an empty argument vector
//   (kernel threads) has no command line.
// - Processes that have ended but are not yet collected by their parent are
//   not running and are left out of the snapshot.
namespace qvx {
namespace platform {

struct ProcessEntry
{
    long id = 0;
    std::string name;         // executable file name, no directory
    bool hasPath = false;     // false: the executable path cannot be read
    std::string path;         // executable path, library form (backslashes)
    bool hasCommandLine = false;
    std::string commandLine;  // the command line as one string
    // When the process started, in the host's own units; together with the id
    // it names this process and no later one that reuses the id. 0: unknown.
    unsigned long long startTime = 0;
};

// What a snapshot reads besides id, name and path.
enum ProcessFields : unsigned
{
    ProcessNamesAndPaths = 0,
    ProcessCommandLines = 1,
    ProcessStartTimes = 2,
    AllProcessFields = ProcessCommandLines | ProcessStartTimes
};

// A snapshot of the process table, in ascending id order. False when no
// snapshot can be taken: then processes is empty and failure, when given,
// receives the host's text for why.
QVXUTIL_API bool snapshotProcesses(std::vector<ProcessEntry>& processes, unsigned fields = AllProcessFields,
                                   std::string* failure = nullptr);

// Prepares the calling thread for process queries where the host's query
// service needs that once (on POSIX there is nothing to prepare).
QVXUTIL_API void prepareProcessQueries();

// Ends the process with this id (forced, as an exit code 0 termination would
// be) and waits up to waitMilliseconds for it to be gone. True when the
// termination was accepted, also for a process that has ended and waits to be
// collected. The process is held by a handle of its own from before the
// signal, so a process that ends meanwhile is never confused with a later one
// that got the same id.
QVXUTIL_API bool terminateProcess(long processId, int waitMilliseconds);

// As above for a process of a snapshot: unless the id still shows that
// process (its start time, when the snapshot read it, and its executable), it
// has ended since the snapshot and any later one that reuses its id is left
// alone; then false.
QVXUTIL_API bool terminateProcess(const ProcessEntry& process, int waitMilliseconds);

}  // namespace platform
}  // namespace qvx

#endif
