#include "UserLogon.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <security/pam_appl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ProcessSupportPosix.h"

extern char** environ;

namespace qvx {
namespace platform {

namespace {

struct AccountInfo
{
    std::string name;
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;
    std::string home;
};

}  // namespace

struct UserLogon::Account : AccountInfo
{
};

namespace {

struct Credentials
{
    const char* user;
    const char* password;
};

// Answers PAM's prompts: the password where it is not echoed, the user name
// where it is; messages need no answer.
int converse(int count, const pam_message** messages, pam_response** responses, void* data)
{
    if (count <= 0)
        return PAM_CONV_ERR;
    const Credentials* credentials = static_cast<const Credentials*>(data);
    pam_response* replies = static_cast<pam_response*>(std::calloc(static_cast<std::size_t>(count), sizeof(pam_response)));
    if (replies == nullptr)
        return PAM_BUF_ERR;
    for (int i = 0; i < count; ++i)
    {
        const char* answer = nullptr;
        if (messages[i]->msg_style == PAM_PROMPT_ECHO_OFF)
            answer = credentials->password;
        else if (messages[i]->msg_style == PAM_PROMPT_ECHO_ON)
            answer = credentials->user;
        if (answer == nullptr)
            continue;
        replies[i].resp = ::strdup(answer);
        if (replies[i].resp == nullptr)
        {
            for (int k = 0; k < i; ++k)
                std::free(replies[k].resp);
            std::free(replies);
            return PAM_BUF_ERR;
        }
    }
    *responses = replies;
    return PAM_SUCCESS;
}

int authenticate(const std::string& user, const std::string& password)
{
    Credentials credentials{user.c_str(), password.c_str()};
    const pam_conv conversation{&converse, &credentials};
    pam_handle_t* handle = nullptr;
    int rc = ::pam_start("qvxutil", user.c_str(), &conversation, &handle);
    if (rc != PAM_SUCCESS)
        return rc;
    rc = ::pam_authenticate(handle, PAM_SILENT);
    if (rc == PAM_SUCCESS)
        rc = ::pam_acct_mgmt(handle, PAM_SILENT);
    ::pam_end(handle, rc);
    return rc;
}

bool lookUp(const std::string& user, AccountInfo& account);

int errorCode(int code)
{
    return posix::startErrorCode(code);
}

// Thread-local id changes: the raw system calls act on the calling thread
// only, where the C library's wrappers would change every thread.
long setThreadGroups(std::size_t count, const gid_t* groups)
{
    return ::syscall(SYS_setgroups, count, groups);
}
long setThreadGids(gid_t real, gid_t effective, gid_t saved)
{
    return ::syscall(SYS_setresgid, real, effective, saved);
}
long setThreadUids(uid_t real, uid_t effective, uid_t saved)
{
    return ::syscall(SYS_setresuid, real, effective, saved);
}

// Back to the thread's own (saved) user, which restores its privileges, so
// that a second switch works after a first one.
void revertToSavedUser()
{
    uid_t r, e, s;
    if (::getresuid(&r, &e, &s) == 0 && e != s)
        setThreadUids(static_cast<uid_t>(-1), s, static_cast<uid_t>(-1));
}

}  // namespace

UserLogon::UserLogon(const std::string& userName, const std::string& /*domain*/, const std::string& password)
    : _account(new Account), _status(0)
{
    _status = authenticate(userName, password);
    if (_status == PAM_SUCCESS && !lookUp(userName, *_account))
        _status = PAM_USER_UNKNOWN;
    if (_status == PAM_OPEN_ERR)
        _status = PAM_SYSTEM_ERR;
}

UserLogon::~UserLogon() = default;

int UserLogon::status() const
{
    return _status;
}

int UserLogon::impersonate() const
{
    if (_status != 0)
        return EINVAL;
    revertToSavedUser();
    const Account& a = *_account;
    if (setThreadGroups(a.groups.size(), a.groups.data()) != 0 ||
        setThreadGids(static_cast<gid_t>(-1), a.gid, static_cast<gid_t>(-1)) != 0 ||
        setThreadUids(static_cast<uid_t>(-1), a.uid, static_cast<uid_t>(-1)) != 0)
        return errorCode(errno);
    return 0;
}

int UserLogon::startProgram(const std::string& program, const std::string& commandLine, long* processId) const
{
    if (_status != 0)
        return EINVAL;
    const Account& a = *_account;
    // Everything the new process needs is made before it exists: after fork
    // only async-signal-safe calls are allowed.
    const std::string executable = posix::programHostPath(program);
    posix::ArgumentVector arguments(executable, commandLine);

    std::vector<std::string> variables{"HOME=" + a.home, "USER=" + a.name, "LOGNAME=" + a.name};
    for (char** e = environ; e != nullptr && *e != nullptr; ++e)
        if (std::strncmp(*e, "HOME=", 5) != 0 && std::strncmp(*e, "USER=", 5) != 0 &&
            std::strncmp(*e, "LOGNAME=", 8) != 0)
            variables.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& s : variables)
        envp.push_back(&s[0]);
    envp.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return errorCode(errno);
    const pid_t pid = ::fork();
    if (pid < 0)
    {
        const int rc = errno;
        ::close(report[0]);
        ::close(report[1]);
        return errorCode(rc);
    }
    if (pid == 0)
    {
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction dfl;
        std::memset(&dfl, 0, sizeof dfl);
        dfl.sa_handler = SIG_DFL;
        for (int sig = 1; sig < NSIG; ++sig)
            ::sigaction(sig, &dfl, nullptr);
        uid_t r, e, s;
        if (::getresuid(&r, &e, &s) == 0 && e != s)
            setThreadUids(static_cast<uid_t>(-1), s, static_cast<uid_t>(-1));
        int rc = 0;
        if (setThreadGroups(a.groups.size(), a.groups.data()) != 0 || setThreadGids(a.gid, a.gid, a.gid) != 0 ||
            setThreadUids(a.uid, a.uid, a.uid) != 0)
            rc = errno;
        else
        {
            ::execve(executable.c_str(), arguments.argv.data(), envp.data());
            rc = errno;
        }
        while (::write(report[1], &rc, sizeof rc) < 0 && errno == EINTR)
        {
        }
        ::_exit(127);
    }
    ::close(report[1]);
    int childError = 0;
    ssize_t n;
    while ((n = ::read(report[0], &childError, sizeof childError)) < 0 && errno == EINTR)
    {
    }
    ::close(report[0]);
    if (n > 0)
    {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR)
        {
        }
        return errorCode(childError);
    }
    posix::awaitCommandLine(pid);
    posix::collectInBackground(pid);
    if (processId != nullptr)
        *processId = static_cast<long>(pid);
    return 0;
}

namespace {

bool lookUp(const std::string& user, AccountInfo& account)
{
    std::vector<char> buf(16384);
    passwd entry;
    passwd* found = nullptr;
    while (::getpwnam_r(user.c_str(), &entry, buf.data(), buf.size(), &found) == ERANGE && buf.size() < (1u << 20))
        buf.resize(buf.size() * 2);
    if (found == nullptr)
        return false;
    account.name = found->pw_name;
    account.uid = found->pw_uid;
    account.gid = found->pw_gid;
    account.home = found->pw_dir;
    int count = 16;
    for (;;)
    {
        account.groups.resize(static_cast<std::size_t>(count));
        int wanted = count;
        if (::getgrouplist(found->pw_name, found->pw_gid, account.groups.data(), &wanted) >= 0)
        {
            account.groups.resize(static_cast<std::size_t>(wanted));
            return true;
        }
        if (wanted <= count || wanted > 65536)
            return false;
        count = wanted;
    }
}

}  // namespace

}  // namespace platform
}  // namespace qvx
