#include "WindowUtil.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "DesktopWindows.h"
#include "Memory.h"
#include "NetworkShares.h"
#include "Power.h"
#include "Process.h"
#include "ProcessTable.h"
#include "Registry.h"
#include "StringUtil.h"
#include "UserLogon.h"
#include "kbrAssert.h"

const std::string WindowUtil::MatchAnyArgs = "*";

// ---------------------------------------------------------------------------
// Processes
// ---------------------------------------------------------------------------

std::atomic<bool> WindowUtil::_comInitialized(false);

namespace {

using qvx::platform::ProcessEntry;

const int KILL_WAIT_MILLISECONDS = 2000;

std::string normalizedName(const std::string& name)
{
    return StringUtil::replaceCharWith(StringUtil::expandEnvironmentVariables(name), '/', '\\');
}

bool hasExeEnding(const std::string& name)
{
    return StringUtil::endsWithIgnoreCase(name, ".exe");
}

// A given name or path and, when it ends in ".exe", the same without it: the
// form that applies to a process whose executable has no such ending.
struct GivenName
{
    explicit GivenName(const std::string& given)
        : full(given), withoutExe(hasExeEnding(given) ? given.substr(0, given.size() - 4) : given)
    {
    }
    const std::string& formFor(const ProcessEntry& p) const { return hasExeEnding(p.name) ? full : withoutExe; }

    std::string full;
    std::string withoutExe;
};

// Snapshot rule: the executable's file name equals the given name, or the
// given name ends with it and the process's full path equals the given name.
bool matchesByNameOrPath(const ProcessEntry& p, const GivenName& given)
{
    const std::string& name = given.formFor(p);
    if (StringUtil::equalsIgnoreCase(p.name, name))
        return true;
    return StringUtil::endsWithIgnoreCase(name, p.name) && p.hasPath && StringUtil::equalsIgnoreCase(p.path, name);
}

std::vector<ProcessEntry> snapshotMatches(const std::string& processName, unsigned fields)
{
    std::vector<ProcessEntry> all;
    std::vector<ProcessEntry> matches;
    if (!qvx::platform::snapshotProcesses(all, fields))
        return matches;
    const GivenName given(normalizedName(processName));
    for (ProcessEntry& p : all)
        if (matchesByNameOrPath(p, given))
            matches.push_back(std::move(p));
    return matches;
}

// Argument extraction on the lower-cased command line. False when the name
// gives no position to cut at.
bool extractArguments(std::string commandLine, const std::string& name, const std::string& path,
                      std::string& arguments)
{
    std::string nameWithoutExe = name;
    const std::size_t exe = nameWithoutExe.find(".exe");
    if (exe != std::string::npos)
        nameWithoutExe.erase(exe, 4);

    const std::size_t namePos = commandLine.find(name);
    std::size_t nameEnd;
    if (namePos != std::string::npos)
        nameEnd = namePos + name.size();
    else
    {
        const std::size_t p = commandLine.find(nameWithoutExe);
        if (p == std::string::npos)
            return false;
        nameEnd = p + nameWithoutExe.size();
    }
    const std::size_t pathPos = path.empty() ? std::string::npos : commandLine.find(path);
    std::size_t start = std::min(namePos, pathPos);
    if (start == std::string::npos)
        start = commandLine.find(nameWithoutExe);
    if (start < nameEnd)
        commandLine.erase(start, nameEnd - start);

    const std::size_t space = commandLine.find(' ');
    commandLine.erase(0, space == std::string::npos ? commandLine.size() : space);
    const std::size_t text = commandLine.find_first_not_of(' ');
    commandLine.erase(0, text == std::string::npos ? commandLine.size() : text);
    arguments.swap(commandLine);
    return true;
}

// Management-service rule, on the process table.
std::vector<ProcessEntry> queryMatches(const std::string& directory, const std::string& processName,
                                       const std::string& arguments, unsigned fields)
{
    std::string dir;
    if (!directory.empty())
    {
        dir = normalizedName(directory);
        if (!dir.empty() && !StringUtil::endsWith(dir, "\\"))
            dir += "\\";
    }
    std::vector<ProcessEntry> all;
    std::vector<ProcessEntry> matches;
    std::string failure;
    if (!qvx::platform::snapshotProcesses(all, fields | qvx::platform::ProcessCommandLines, &failure))
    {
        showKbrAssertWithMessage("false", failure, __FILE__, __LINE__);
        return matches;
    }
    const bool anyArgs = arguments == WindowUtil::MatchAnyArgs;
    const std::string wantedArgs = anyArgs ? std::string() : StringUtil::getLowerCase(arguments);
    const GivenName given(processName);
    std::string extracted;
    for (ProcessEntry& p : all)
    {
        // The name the process goes by here: its own, or the given one where
        // that matches through its ".exe" ending.
        const std::string& name = given.formFor(p);
        if (!StringUtil::equalsIgnoreCase(p.name, name) || !p.hasPath)
            continue;
        if (!directory.empty() && !StringUtil::equalsIgnoreCase(p.path, dir + name))
            continue;
        if (!p.hasCommandLine)
            continue;
        if (!anyArgs)
        {
            const std::string instanceName = StringUtil::getLowerCase(name == p.name ? p.name : given.full);
            if (!extractArguments(StringUtil::getLowerCase(p.commandLine), instanceName,
                                  StringUtil::getLowerCase(p.path), extracted) ||
                extracted != wantedArgs)
                continue;
        }
        matches.push_back(std::move(p));
    }
    return matches;
}

int killEach(const std::vector<ProcessEntry>& processes)
{
    const long self = qvx::platform::currentProcessId();
    int count = 0;
    for (const ProcessEntry& p : processes)
        if (p.id != self && qvx::platform::terminateProcess(p, KILL_WAIT_MILLISECONDS))
            ++count;
    return count;
}

int startedOrError(int hostCode)
{
    return hostCode == 0 ? 1 : hostCode;
}

}  // namespace

bool WindowUtil::isProcessRunning(const std::string& processName)
{
    return getNumberOfProcessRunning(processName) > 0;
}

int WindowUtil::getNumberOfProcessRunning(const std::string& processName)
{
    return static_cast<int>(snapshotMatches(processName, qvx::platform::ProcessNamesAndPaths).size());
}

bool WindowUtil::killProcesses(const std::string& processName)
{
    return killEach(snapshotMatches(processName, qvx::platform::ProcessStartTimes)) > 0;
}

std::list<int> WindowUtil::findProcess(const std::string& directory, const std::string& processName)
{
    return findProcess(directory, processName, MatchAnyArgs);
}

std::list<int> WindowUtil::findProcess(const std::string& directory, const std::string& processName,
                                       const std::string& arguments)
{
    coinitialize();
    std::list<int> ids;
    for (const ProcessEntry& p : queryMatches(directory, processName, arguments, qvx::platform::ProcessCommandLines))
        ids.push_back(static_cast<int>(p.id));
    return ids;
}

bool WindowUtil::isProcessRunning(const std::string& directory, const std::string& processName)
{
    return !findProcess(directory, processName, MatchAnyArgs).empty();
}

bool WindowUtil::isProcessRunning(const std::string& directory, const std::string& processName,
                                  const std::string& arguments)
{
    return !findProcess(directory, processName, arguments).empty();
}

bool WindowUtil::killProcesses(const std::string& directory, const std::string& processName)
{
    return killProcesses(directory, processName, MatchAnyArgs);
}

bool WindowUtil::killProcesses(const std::string& directory, const std::string& processName,
                               const std::string& arguments)
{
    coinitialize();
    // Start times let the kill tell each process from a later one with its id.
    return killEach(queryMatches(directory, processName, arguments, qvx::platform::AllProcessFields)) > 0;
}

int WindowUtil::createProcess(const std::string& programPath)
{
    const std::string program = normalizedName(programPath);
    return startedOrError(qvx::platform::startProgram(program, qvx::platform::joinCommandLine({program}),
                                                      std::string(), nullptr));
}

int WindowUtil::createProcess(const std::string& directory, const std::string& programName,
                              const std::string& arguments, const std::string& /*unused1*/,
                              const std::string& /*unused2*/)
{
    std::string dir = normalizedName(directory);
    if (!dir.empty() && !StringUtil::endsWith(dir, "\\"))
        dir += "\\";
    const std::string program = dir + programName;
    const std::string commandLine = "\"" + program + "\" " + arguments;
    return startedOrError(qvx::platform::startProgram(program, commandLine, dir, nullptr));
}

int WindowUtil::createProcessAsUser(const std::string& userName, const std::string& domain,
                                    const std::string& password, const std::string& programPath)
{
    const qvx::platform::UserLogon logon(userName, domain, password);
    if (logon.status() != 0)
        return logon.status();
    const int rc = logon.impersonate();
    if (rc != 0)
        return rc;
    const std::string program = normalizedName(programPath);
    return startedOrError(logon.startProgram(program, qvx::platform::joinCommandLine({program}), nullptr));
}

void WindowUtil::coinitialize()
{
    if (_comInitialized.load())
        return;
    qvx::platform::prepareProcessQueries();
    _comInitialized.store(true);
}



// ---------------------------------------------------------------------------
// Windows
// ---------------------------------------------------------------------------

namespace {

// The size every window operation gives the window; its position stays.
constexpr unsigned int WINDOW_WIDTH = 2000;
constexpr unsigned int WINDOW_HEIGHT = 500;

// How long killWindow waits for the owner to be gone once the termination
// was accepted, as killProcesses does, so that its window has gone with it
// when the call returns true.
constexpr int KILL_WINDOW_WAIT_MILLISECONDS = 2000;

}  // namespace

bool WindowUtil::isAppRunning(const std::string& windowTitle)
{
    return qvx::platform::findDesktopWindow(windowTitle);
}

bool WindowUtil::hideWindow(const std::string& windowTitle)
{
    return qvx::platform::hideDesktopWindow(windowTitle, WINDOW_WIDTH, WINDOW_HEIGHT);
}

bool WindowUtil::showWindow(const std::string& windowTitle)
{
    return qvx::platform::showDesktopWindow(windowTitle, WINDOW_WIDTH, WINDOW_HEIGHT);
}

bool WindowUtil::killWindow(const std::string& windowTitle)
{
    long processId = 0;
    if (!qvx::platform::findDesktopWindowOwner(windowTitle, processId))
        return false;
    return qvx::platform::terminateProcess(processId, KILL_WINDOW_WAIT_MILLISECONDS);
}


// ---------------------------------------------------------------------------
// Memory and power
// ---------------------------------------------------------------------------

int WindowUtil::getSizeOfPhysicalMemoryInKiloBytes()
{
    // One kilobyte is 1000 bytes here. The product is below 2^64 / 1000, so
    // the truncation to a 64-bit integer is exact; the result keeps its low
    // 32 bits.
    const double kiloBytes = static_cast<double>(qvx::platform::physicalMemoryBytes()) * 0.001;
    const auto whole = static_cast<std::int64_t>(kiloBytes);
    return static_cast<int>(static_cast<std::uint32_t>(whole));
}

bool WindowUtil::setupShutdownPrivileges()
{
    return qvx::platform::enableShutdownPrivilege();
}

bool WindowUtil::shutdownComputer()
{
    if (!setupShutdownPrivileges())
        return false;
    return qvx::platform::requestPowerChange(qvx::platform::PowerRequest::PowerOff);
}

bool WindowUtil::restartComputer()
{
    if (!setupShutdownPrivileges())
        return false;
    return qvx::platform::requestPowerChange(qvx::platform::PowerRequest::Reboot);
}




// ---------------------------------------------------------------------------
// Network shares
// ---------------------------------------------------------------------------

unsigned WindowUtil::createNetworkShare(const std::string& path, const std::string& shareName, unsigned shareType,
                                        const std::string& description, unsigned maxUses, bool readOnly,
                                        const std::string& password)
{
    KBR_ASSERT(shareName.size() < INT_MAX);
    KBR_ASSERT(path.size() < INT_MAX);
    KBR_ASSERT(description.size() < INT_MAX);
    KBR_ASSERT(password.size() < INT_MAX);
    // No fixed-size text buffers stand between the caller and the share
    // service here, so texts of any length are handed on whole; the service
    // refuses what it cannot take.
    qvx::platform::ShareDefinition share;
    share.name = shareName;
    share.path = path;
    share.type = shareType;
    share.remark = description;
    share.maxUses = maxUses;
    share.readOnly = readOnly;
    share.password = password;
    return qvx::platform::addNetworkShare(share);
}

bool WindowUtil::isNetworkShareAvailable(const std::string& serverName, const std::string& shareName,
                                         unsigned shareType)
{
    (void)shareType;
    KBR_ASSERT(shareName.size() < INT_MAX);
    const std::string newShareName = StringUtil::getUpperCase(shareName);
    const std::string newServerName = "\\\\" + serverName;
    KBR_ASSERT(newServerName.size() < INT_MAX);
    // The answer is false whatever the share service would say, so it is not
    // asked: asking would only cost a round trip whose answer is dropped.
    (void)newShareName;
    return false;
}

bool WindowUtil::isPathSharedAs(const std::string& path, const std::string& serverName,
                                const std::string& shareName)
{
    KBR_ASSERT(shareName.size() < INT_MAX);
    KBR_ASSERT(serverName.size() < INT_MAX);
    KBR_ASSERT(path.size() < INT_MAX);
    // Only this machine's shares are known (see NetworkShares.h); the share's
    // path comes back whole, with no 260-byte limit. Both paths are compared
    // in the library's form (backslashes), ignoring case.
    std::string sharedPath;
    if (qvx::platform::getNetworkSharePath(serverName, shareName, sharedPath) != qvx::platform::SHARE_SUCCESS)
        return false;
    std::string libraryPath(path);
    for (char& c : libraryPath)
        if (c == '/')
            c = '\\';
    return StringUtil::equalsIgnoreCase(sharedPath, libraryPath);
}




// ---------------------------------------------------------------------------
// Registry
// ---------------------------------------------------------------------------

namespace {

// The registry data buffer of the value reads. A value whose data is longer
// does not fit and counts as not read.
constexpr std::size_t REGISTRY_BUFFER_SIZE = 80;

struct RegistryRead
{
    bool ok = false;
    unsigned type = 0;
    std::size_t size = 0;
    unsigned char data[REGISTRY_BUFFER_SIZE] = {};
};

// Opens the key, reads the value into the buffer and closes the key again.
// False when the key cannot be opened.
bool readRegistryValue(HKEY root, const std::string& subKey, const std::string& value, RegistryRead& read)
{
    HKEY key;
    if (qvx::platform::openRegistryKey(root, subKey, key) != qvx::platform::REGISTRY_SUCCESS)
        return false;
    read.size = sizeof read.data;
    read.ok = qvx::platform::queryRegistryValue(key, value, read.type, read.data, read.size) ==
              qvx::platform::REGISTRY_SUCCESS;
    if (!read.ok)
    {
        read.type = 0;
        read.size = 0;
    }
    qvx::platform::closeRegistryKey(key);
    return true;
}

std::uint64_t littleEndian(const unsigned char* data, std::size_t bytes)
{
    std::uint64_t v = 0;
    for (std::size_t i = bytes; i-- > 0;)
        v = (v << 8) | data[i];
    return v;
}

}  // namespace

bool WindowUtil::isRegistryKeyDefined(HKEY root, const std::string& subKey)
{
    KBR_ASSERT(subKey.length());
    HKEY key;
    if (qvx::platform::openRegistryKey(root, subKey, key) != qvx::platform::REGISTRY_SUCCESS)
        return false;
    qvx::platform::closeRegistryKey(key);
    return true;
}

bool WindowUtil::isRegistryKeyDefined(HKEY root, const std::string& subKey, const std::string& value)
{
    KBR_ASSERT(subKey.length());
    KBR_ASSERT(value.length());
    RegistryRead read;
    return readRegistryValue(root, subKey, value, read) && read.ok;
}

std::string WindowUtil::getRegistryValue(HKEY root, const std::string& subKey, const std::string& value)
{
    KBR_ASSERT(subKey.length());
    KBR_ASSERT(value.length());
    std::string result;
    RegistryRead read;
    // The key is closed before the data is converted, so that a failed check
    // that throws leaves no key open. The buffer starts zeroed: a number with
    // fewer data bytes than its width reads the missing high bytes as zeros.
    if (!readRegistryValue(root, subKey, value, read))
        return result;
    switch (read.type)
    {
    case qvx::platform::REGISTRY_TYPE_STRING:
    case qvx::platform::REGISTRY_TYPE_EXPANDABLE_STRING:
    {
        const auto* text = reinterpret_cast<const char*>(read.data);
        result.assign(text, ::strnlen(text, read.size));
        break;
    }
    case qvx::platform::REGISTRY_TYPE_NUMBER32:
        result = std::to_string(static_cast<std::uint32_t>(littleEndian(read.data, 4)));
        break;
    case qvx::platform::REGISTRY_TYPE_NUMBER64:
        result = std::to_string(static_cast<std::int64_t>(littleEndian(read.data, 8)));
        break;
    default:
        showKbrAssertWithMessage("false", "Unsuppported data type on value returned from registy", __FILE__,
                                 __LINE__);
        break;
    }
    return result;
}
