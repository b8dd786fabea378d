#ifndef QVX_WINDOW_UTIL_H
#define QVX_WINDOW_UTIL_H

#include <atomic>
#include <list>
#include <string>

#include "HostRegistryKey.h"
#include "QvxExport.h"

// Static operations on the local machine: finding, counting, killing and
// starting processes (also as another user), windows found by their title,
// physical memory, shutdown and restart, network shares and registry values.
// Nothing throws; results are booleans, counts, process ids, texts or the
// system's status codes, and failed preconditions are reported as checks.
class QVXUTIL_API WindowUtil
{
public:
    // As the arguments filter of findProcess: any command line matches.
    static const std::string MatchAnyArgs;

    // Processes. Names, paths and directories are normalised (environment
    // references expanded, "/" read as "\\") and compared without regard to
    // case. Choices made here:
    // - A name or path ending in ".exe" (any case) also matches the same name
    //   without it when the process's own executable has no such ending (the
    //   host's executables have no extension).
    // - Full paths are compared in full, whatever their length.
    // - A process that has ended but is not yet collected is not running.
    // - Kills are forced and wait up to 2000 ms for each process. The calling
    //   process is never killed. A process that ends between the lookup and
    //   the kill is not counted, and a later process that reuses its id is
    //   never touched.
    // - findProcess with arguments skips a process whose name (with or without
    //   ".exe") does not occur in its command line; where the name's first
    //   occurrence ends before the cut would start, nothing is cut.
    // - findProcess reports a failed process query as the check "false" with
    //   the host's text, like any other failure of the query service.
    // - createProcess returns 1 when started, else the host's error code;
    //   EPERM, which is 1, is reported as EACCES. The one-argument form hands
    //   the program no arguments: a path with blanks reaches it as one word.
    // - createProcessAsUser authenticates through PAM (service "qvxutil"); the
    //   domain is not used. A refused logon returns the PAM status, never 1:
    //   PAM_AUTH_ERR (7) for a wrong password. HAZARD: as on the original
    //   platform, the calling thread is left acting as the user: its effective
    //   ids and groups are the user's until it ends (see UserLogon.h); call it
    //   from a thread made for it.
    static bool isProcessRunning(const std::string& processName);
    static int getNumberOfProcessRunning(const std::string& processName);
    static bool killProcesses(const std::string& processName);
    static std::list<int> findProcess(const std::string& directory, const std::string& processName);
    static std::list<int> findProcess(const std::string& directory, const std::string& processName,
                                      const std::string& arguments);
    static bool isProcessRunning(const std::string& directory, const std::string& processName);
    static bool isProcessRunning(const std::string& directory, const std::string& processName,
                                 const std::string& arguments);
    static bool killProcesses(const std::string& directory, const std::string& processName);
    static bool killProcesses(const std::string& directory, const std::string& processName,
                              const std::string& arguments);
    static int createProcess(const std::string& programPath);
    static int createProcess(const std::string& directory, const std::string& programName,
                             const std::string& arguments, const std::string& unused1,
                             const std::string& unused2);
    static int createProcessAsUser(const std::string& userName, const std::string& domain,
                                   const std::string& password, const std::string& programPath);

    // Windows.
    static bool isAppRunning(const std::string& windowTitle);
    static bool hideWindow(const std::string& windowTitle);
    static bool showWindow(const std::string& windowTitle);
    static bool killWindow(const std::string& windowTitle);

    // Memory and power. The memory size counts kilobytes of 1000 bytes and
    // keeps the low 32 bits of the count. Shutdown and restart need the
    // host's boot privilege and are immediate and forced (Power.h).
    static int getSizeOfPhysicalMemoryInKiloBytes();
    static bool shutdownComputer();
    static bool restartComputer();

    // Network shares, on this machine's share service (NetworkShares.h):
    // texts are handed on whole (no 260-character buffers); isPathSharedAs
    // answers for this machine only and does not query other servers;
    // isNetworkShareAvailable prepares its names, asks nothing and is false.
    static unsigned createNetworkShare(const std::string& path, const std::string& shareName,
                                       unsigned shareType, const std::string& description,
                                       unsigned maxUses, bool readOnly, const std::string& password);
    static bool isNetworkShareAvailable(const std::string& serverName, const std::string& shareName,
                                        unsigned shareType);
    static bool isPathSharedAs(const std::string& path, const std::string& serverName,
                               const std::string& shareName);

    // Registry (Registry.h). A value is read into 80 bytes; a longer one
    // counts as not read. The key is closed before the data is converted, so
    // a failed check that throws leaves no key open.
    static bool isRegistryKeyDefined(HKEY root, const std::string& subKey);
    static bool isRegistryKeyDefined(HKEY root, const std::string& subKey, const std::string& value);
    static std::string getRegistryValue(HKEY root, const std::string& subKey, const std::string& value);

private:
    // Processes: set once the process queries are prepared, for good.
    static std::atomic<bool> _comInitialized;
    static void coinitialize();
    static bool setupShutdownPrivileges();
};

#endif
