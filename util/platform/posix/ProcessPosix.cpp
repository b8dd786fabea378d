#include "Process.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "HostPath.h"

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
    const std::string searchPath(path);
    const std::string delimiters(searchPathDelimiters());
    std::size_t start = 0;
    while (start <= searchPath.size())
    {
        std::size_t end = searchPath.find_first_of(delimiters, start);
        if (end == std::string::npos)
            end = searchPath.size();
        if (end > start)  // empty pieces name no directory
        {
            const std::string found =
                firstExecutable(toHostPath(searchPath.substr(start, end - start)) + "/" + host);
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
        return ENOENT;
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

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
    {
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR)
            {
            }
        }).detach();
    }
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

long currentProcessId()
{
    return static_cast<long>(::getpid());
}

}  // namespace platform
}  // namespace qvx
