#include "Process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "HostPath.h"
#include "ProcessSupportPosix.h"

extern char** environ;

namespace qvx {
namespace platform {

namespace {

bool isExecutableFile(const std::string& hostPath)
{
    struct stat st;
    return ::stat(hostPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(hostPath.c_str(), X_OK) == 0;
}

std::string firstExecutable(const std::string& hostPath)
{
    for (const std::string& candidate : executableCandidates(hostPath))
        if (isExecutableFile(candidate))
            return candidate;
    return std::string();
}

// The argument list of a spawn: the arguments' texts and a final nullptr.
std::vector<char*> argumentVector(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

class SpawnAttributes
{
public:
    SpawnAttributes()
    {
        ::posix_spawnattr_init(&_attr);
        ::posix_spawn_file_actions_init(&_actions);
        // The program starts with no blocked signals and default handlers,
        // whatever the calling application set up for itself.
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        ::posix_spawnattr_setsigmask(&_attr, &none);
        ::posix_spawnattr_setsigdefault(&_attr, &all);
        ::posix_spawnattr_setflags(&_attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnAttributes()
    {
        ::posix_spawn_file_actions_destroy(&_actions);
        ::posix_spawnattr_destroy(&_attr);
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    posix_spawnattr_t _attr;
    posix_spawn_file_actions_t _actions;
};

}  // namespace

std::string findExecutable(const std::string& program)
{
    if (program.empty())
        return std::string();
    const std::string host = toHostPath(program);
    if (host.find('/') != std::string::npos)
        return firstExecutable(host);
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return std::string();
    for (const std::string& directory : searchPathDirectories(path))
    {
        const std::string found = firstExecutable(directory + "/" + host);
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
        return ENOENT;
    std::vector<char*> argv = argumentVector(arguments);

    SpawnAttributes spawn;
    const std::string hostDirectory = toHostPath(workingDirectory);
    if (!workingDirectory.empty())
    {
        int rc = ::posix_spawn_file_actions_addchdir_np(&spawn._actions, hostDirectory.c_str());
        if (rc != 0)
            return rc;
    }
    pid_t pid = 0;
    // glibc's posix_spawn reports a failed chdir or exec in the child as its own
    // result, so a program that cannot run is known here.
    const int rc = ::posix_spawn(&pid, executable.c_str(), &spawn._actions, &spawn._attr, argv.data(), environ);
    if (rc != 0)
        return rc;
    if (processId != nullptr)
        *processId = static_cast<long>(pid);
    if (collection == ProcessCollection::Library)
        posix::collectInBackground(pid);
    return 0;
}

namespace posix {

void collectInBackground(pid_t pid)
{
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR)
        {
        }
    }).detach();
}

void awaitCommandLine(pid_t pid)
{
    const std::string dir = "/proc/" + std::to_string(pid);
    const std::string cmdline = dir + "/cmdline";
    const std::string exe = dir + "/exe";
    char c;
    char link[8];
    // Usually published within microseconds; the bound only guards against a
    // process that is stopped before it gets there.
    for (int i = 0; i < 2000; ++i)
    {
        const int fd = ::open(cmdline.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;  // gone
        const ssize_t n = ::read(fd, &c, 1);
        ::close(fd);
        if (n != 0)
            return;  // published, or unreadable for good
        if (::readlink(exe.c_str(), link, sizeof link) < 0)
            return;  // ended: its command line stays empty
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}

std::string programHostPath(const std::string& program)
{
    std::string host = toHostPath(program);
    if (!host.empty() && host[0] != '/')
    {
        std::string cwd(256, '\0');
        while (::getcwd(&cwd[0], cwd.size()) == nullptr && errno == ERANGE && cwd.size() < (1u << 20))
            cwd.resize(cwd.size() * 2);
        cwd.resize(std::char_traits<char>::length(cwd.c_str()));
        if (!cwd.empty())
            host = (cwd == "/" ? cwd : cwd + "/") + host;
    }
    const std::vector<std::string> candidates = executableCandidates(host);
    for (const std::string& candidate : candidates)
        if (::access(candidate.c_str(), F_OK) == 0)
            return candidate;
    return candidates.front();
}

ArgumentVector::ArgumentVector(const std::string& executable, const std::string& commandLine)
    : words(splitCommandLine(commandLine))
{
    if (words.empty())
        words.push_back(executable);
    else
        words[0] = toHostPath(words[0]);
    argv = argumentVector(words);
}

int startErrorCode(int code)
{
    return code == EPERM ? EACCES : code;
}

}  // namespace posix

int startProgram(const std::string& program, const std::string& commandLine, const std::string& workingDirectory,
                 long* processId)
{
    const std::string executable = posix::programHostPath(program);
    posix::ArgumentVector arguments(executable, commandLine);
    SpawnAttributes spawn;
    const std::string hostDirectory = toHostPath(workingDirectory);
    if (!workingDirectory.empty())
    {
        const int rc = ::posix_spawn_file_actions_addchdir_np(&spawn._actions, hostDirectory.c_str());
        if (rc != 0)
            return posix::startErrorCode(rc);
    }
    pid_t pid = 0;
    const int rc =
        ::posix_spawn(&pid, executable.c_str(), &spawn._actions, &spawn._attr, arguments.argv.data(), environ);
    if (rc != 0)
        return posix::startErrorCode(rc);
    posix::awaitCommandLine(pid);
    posix::collectInBackground(pid);
    if (processId != nullptr)
        *processId = static_cast<long>(pid);
    return 0;
}

bool waitForProcess(long processId, int& exitCode)
{
    int status = 0;
    pid_t rc;
    while ((rc = ::waitpid(static_cast<pid_t>(processId), &status, 0)) < 0 && errno == EINTR)
    {
    }
    if (rc < 0)
        return false;
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}

int runProcess(const std::string& program, const std::vector<std::string>& arguments,
               std::size_t maxOutputBytes, int timeoutMilliseconds, std::string& output, int& exitCode)
{
    output.clear();
    const std::string executable = findExecutable(program);
    if (executable.empty())
        return ENOENT;
    std::vector<char*> argv = argumentVector(arguments);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return errno;
    SpawnAttributes spawn;
    ::posix_spawn_file_actions_addopen(&spawn._actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&spawn._actions, fds[1], 1);
    ::posix_spawn_file_actions_adddup2(&spawn._actions, fds[1], 2);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, executable.c_str(), &spawn._actions, &spawn._attr, argv.data(), environ);
    ::close(fds[1]);
    if (rc != 0)
    {
        ::close(fds[0]);
        return rc;
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    bool timedOut = false;
    char buffer[4096];
    for (;;)
    {
        // Rounded up, so that the wait never ends before the deadline; a poll
        // that comes back early only goes round again.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
        {
            timedOut = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready == 0 || (ready < 0 && errno == EINTR))
            continue;
        if (ready < 0)
            break;
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;  // end of output: every writer has closed it
        const std::size_t room = maxOutputBytes - output.size();
        output.append(buffer, std::min(room, static_cast<std::size_t>(n)));
    }
    ::close(fds[0]);
    if (timedOut)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR)
    {
    }
    if (timedOut)
        return ETIMEDOUT;
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return 0;
}

long currentProcessId()
{
    return static_cast<long>(::getpid());
}

}  // namespace platform
}  // namespace qvx
