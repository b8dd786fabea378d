#ifndef QVX_PROCESS_TABLE_H
#define QVX_PROCESS_TABLE_H

#include <string>
#include <vector>

#include "QvxExport.h"

// The running processes of this machine, each with its name, executable path,
// command line and id, and ending one of them by id.
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
};

// A snapshot of the process table. False when no snapshot can be taken.
QVXUTIL_API bool snapshotProcesses(std::vector<ProcessEntry>& processes);

// Ends the process with this id (forced, as an exit code 0 termination would
// be) and waits up to waitMilliseconds for it to be gone. True when the
// termination was accepted. A process that has already ended is never
// confused with a later one that got the same id.
QVXUTIL_API bool terminateProcess(long processId, int waitMilliseconds);

}  // namespace platform
}  // namespace qvx

#endif
