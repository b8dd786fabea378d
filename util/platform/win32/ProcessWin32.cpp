// CreateProcess behind the process facility.
#include "Process.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <thread>

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
    for (std::string directory : searchPathDirectories(searchPath))
    {
        if (!directory.empty() && directory.back() != '\\' && directory.back() != '/')
            directory += '\\';
        const std::string found = firstExecutable(directory + host);
        if (!found.empty())
            return found;
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

int runProcess(const std::string& program, const std::vector<std::string>& arguments, std::size_t maxOutputBytes,
               int timeoutMilliseconds, std::string& output, int& exitCode)
{
    output.clear();
    const std::string executable = findExecutable(program);
    if (executable.empty())
        return ERROR_FILE_NOT_FOUND;
    // One pipe for standard output and standard error; only its write end is
    // inherited, and the parent's copy of it is closed once the child has it,
    // so the read ends at the child's exit.
    SECURITY_ATTRIBUTES inherit{};
    inherit.nLength = sizeof(inherit);
    inherit.bInheritHandle = TRUE;
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return static_cast<int>(::GetLastError());
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info{};
    std::string line = joinCommandLine(arguments);
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    const BOOL started = ::CreateProcessA(executable.c_str(), buffer.data(), nullptr, nullptr, TRUE,
                                          CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    const DWORD startError = ::GetLastError();
    ::CloseHandle(writeEnd);
    if (!started)
    {
        ::CloseHandle(readEnd);
        return startError == ERROR_INVALID_FUNCTION ? ERROR_NOT_SUPPORTED : static_cast<int>(startError);
    }
    ::CloseHandle(info.hThread);
    // The pipe is read on a thread of its own, so the time limit holds even
    // while the program writes nothing.
    std::string collected;
    std::thread reader([&] {
        char chunk[4096];
        DWORD got = 0;
        while (::ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0)
            if (collected.size() < maxOutputBytes)
                collected.append(chunk, std::min<std::size_t>(got, maxOutputBytes - collected.size()));
    });
    const DWORD waited = ::WaitForSingleObject(info.hProcess, timeoutMilliseconds < 0
                                                                  ? 0
                                                                  : static_cast<DWORD>(timeoutMilliseconds));
    bool killed = false;
    if (waited != WAIT_OBJECT_0)
    {
        ::TerminateProcess(info.hProcess, 1);
        ::WaitForSingleObject(info.hProcess, INFINITE);
        killed = true;
    }
    // The read ends when every write end is closed: a program that leaves a
    // process of its own holding its output keeps this call waiting until
    // that one closes it too.
    reader.join();
    ::CloseHandle(readEnd);
    output = collected;
    DWORD code = 0;
    ::GetExitCodeProcess(info.hProcess, &code);
    ::CloseHandle(info.hProcess);
    if (killed)
        return ERROR_TIMEOUT;
    exitCode = static_cast<int>(code);
    return 0;
}

long currentProcessId()
{
    return static_cast<long>(::GetCurrentProcessId());
}

}  // namespace platform
}  // namespace qvx
