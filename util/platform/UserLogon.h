#ifndef QVX_USER_LOGON_H
#define QVX_USER_LOGON_H

#include <memory>
#include <string>

#include "QvxExport.h"

// Logging a user on with a password, acting as that user on the calling
// thread, and starting a program as that user.
//
// Choices of this layer on POSIX:
// - The logon is a PAM authentication and account check under the service
//   name "qvxutil" (the system's "other" policy when no policy of that name is
//   installed). A refusal is the PAM status: a wrong password is PAM_AUTH_ERR
//   (7), an unknown user PAM_USER_UNKNOWN (10) or PAM_AUTH_ERR, as the policy
//   decides; PAM_OPEN_ERR (1) is reported as PAM_SYSTEM_ERR (4), so that no
//   refusal reads as 1. The domain is not used: accounts are the machine's own.
// - Acting as the user changes only the calling thread: its effective and file
//   system user and group ids and its supplementary groups become the user's,
//   through the thread-local system calls; the real and saved ids stay, so
//   the thread (and only it) can return to them. HAZARD: the thread keeps the
//   user's rights until it returns to its own ids or ends, threads it starts
//   inherit them, and any call of the process-wide set*id functions of the C
//   library (which change every thread) undoes or overrides the switch.
// - A program started as the user gets the user's ids and groups for good (set
//   in the new process before the program runs), the caller's environment with
//   HOME, USER and LOGNAME set for the user, and the caller's current
//   directory. Needs the privilege to change ids (root).
namespace qvx {
namespace platform {

class QVXUTIL_API UserLogon
{
public:
    UserLogon(const std::string& userName, const std::string& domain, const std::string& password);
    ~UserLogon();
    UserLogon(const UserLogon&) = delete;
    UserLogon& operator=(const UserLogon&) = delete;

    // 0 when the user is logged on, else why not (never 1).
    int status() const;

    // Makes the calling thread act as the user. 0 or the host's error code
    // (never 1; EPERM is reported as EACCES).
    int impersonate() const;

    // Starts the program (see startProgram in Process.h for the path and
    // command-line rules) as the user. 0 or the host's error code (never 1).
    // When it returns 0 the process's command line can be read.
    int startProgram(const std::string& program, const std::string& commandLine, long* processId) const;

private:
    struct Account;
    std::unique_ptr<Account> _account;
    int _status;
};

}  // namespace platform
}  // namespace qvx

#endif
