#include "WindowUtil.h"

#include <algorithm>
#include <vector>

#include "DesktopWindows.h"
#include "Process.h"
#include "ProcessTable.h"
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



// ---------------------------------------------------------------------------
// Network shares
// ---------------------------------------------------------------------------



// ---------------------------------------------------------------------------
// Registry
// ---------------------------------------------------------------------------
