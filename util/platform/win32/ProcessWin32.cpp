// CreateProcess behind the process facility.
#include "Process.h"

#include <windows.h>

#include <map>
#include <mutex>

#include "Environment.h"
#include "HostPath.h"

namespace qvx {
namespace platform {

namespace {

bool isFile(const std::string& path)
{
    const DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string firstExecutable(const std::string& hostPath)
{
    for (const std::string& candidate : executableCandidates(hostPath))
        if (isFile(candidate))
            return candidate;
    return std::string();
}

// Processes started for the caller to wait for, by id, with their handles.
std::mutex g_waitableMutex;
std::map<long, HANDLE> g_waitable;

}  // namespace

std::string findExecutable(const std::string& program)
{
    if (program.empty())
        return std::string();
    const std::string host = toHostPath(program);
    if (host.find_first_of("\\/:") != std::string::npos)
        return firstExecutable(host);
    std::string searchPath;
    if (!getEnvironmentVariable("PATH", searchPath))
        return std::string();
    const std::string delimiters(searchPathDelimiters());
    std::size_t start = 0;
    while (start <= searchPath.size())
    {
        std::size_t end = searchPath.find_first_of(delimiters, start);
        if (end == std::string::npos)
            end = searchPath.size();
        if (end > start)  // empty pieces name no directory
        {
            std::string directory = toHostPath(searchPath.substr(start, end - start));
            if (directory.back() != '\\' && directory.back() != '/')
                directory += '\\';
            const std::string found = firstExecutable(directory + host);
            if (!found.empty())
                return found;
        }
        start = end + 1;
    }
    return std::string();
}

int startProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& workingDirectory, ProcessCollection collection, long* processId)
{
    const std::string executable = findExecutable(program);
    if (executable.empty())
        return ERROR_FILE_NOT_FOUND;
    // Written so that the run-time's parser of the started program gives the
    // arguments back exactly.
    const std::string commandLine = joinCommandLine(arguments);
    const std::string hostDirectory = toHostPath(workingDirectory);

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    // CreateProcess may write into the command line it is given.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!::CreateProcessA(executable.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                          workingDirectory.empty() ? nullptr : hostDirectory.c_str(), &startup, &info))
        return static_cast<int>(::GetLastError());
    ::CloseHandle(info.hThread);
    const long id = static_cast<long>(info.dwProcessId);
    if (processId != nullptr)
        *processId = id;
    if (collection == ProcessCollection::Library)
    {
        // Windows collects an ended process once its last handle is closed.
        ::CloseHandle(info.hProcess);
    }
    else
    {
        std::lock_guard<std::mutex> lock(g_waitableMutex);
        g_waitable[id] = info.hProcess;
    }
    return 0;
}

int startProgram(const std::string& program, const std::string& commandLine, const std::string& workingDirectory,
                 long* processId)
{
    const std::string executable = toHostPath(program);
    // The command line goes to the program as it is: Windows programs split
    // their own (by the rules of splitCommandLine).
    std::string line = commandLine.empty() ? joinCommandLine({executable}) : commandLine;
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    const std::string hostDirectory = toHostPath(workingDirectory);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(executable.c_str(), buffer.data(), nullptr, nullptr, TRUE, 0, nullptr,
                          workingDirectory.empty() ? nullptr : hostDirectory.c_str(), &startup, &info))
    {
        const DWORD code = ::GetLastError();
        // Code 1 (ERROR_INVALID_FUNCTION) would read as "started" to callers
        // that count 1 as success; it is reported as "not supported".
        return code == ERROR_INVALID_FUNCTION ? ERROR_NOT_SUPPORTED : static_cast<int>(code);
    }
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    if (processId != nullptr)
        *processId = static_cast<long>(info.dwProcessId);
    return 0;
}

bool waitForProcess(long processId, int& exitCode)
{
    HANDLE process = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_waitableMutex);
        const auto found = g_waitable.find(processId);
        if (found == g_waitable.end())
            return false;
        process = found->second;
        g_waitable.erase(found);
    }
    DWORD code = 0;
    const bool ended = ::WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 &&
                       ::GetExitCodeProcess(process, &code) != FALSE;
    ::CloseHandle(process);
    if (!ended)
        return false;
    exitCode = static_cast<int>(code);
    return true;
}

long currentProcessId()
{
    return static_cast<long>(::GetCurrentProcessId());
}

}  // namespace platform
}  // namespace qvx
