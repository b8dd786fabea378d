// LogonUser, ImpersonateLoggedOnUser and CreateProcessAsUser behind the user
// logon facility. The logon is interactive, with the default provider; the
// domain is passed on as given ("" or "." for this machine's accounts).
// Statuses are the system's error codes; 1 (ERROR_INVALID_FUNCTION) is
// reported as ERROR_NOT_SUPPORTED so that no refusal reads as 1.
#include "UserLogon.h"

#include <windows.h>

#include <vector>

#include "HostPath.h"
#include "Process.h"

namespace qvx {
namespace platform {

namespace {
int notOne(DWORD code)
{
    return code == ERROR_INVALID_FUNCTION ? ERROR_NOT_SUPPORTED : static_cast<int>(code);
}
}  // namespace

struct UserLogon::Account
{
    HANDLE token = nullptr;
};

UserLogon::UserLogon(const std::string& userName, const std::string& domain, const std::string& password)
    : _account(new Account), _status(0)
{
    if (!::LogonUserA(userName.c_str(), domain.empty() ? nullptr : domain.c_str(), password.c_str(),
                      LOGON32_LOGON_INTERACTIVE, LOGON32_PROVIDER_DEFAULT, &_account->token))
    {
        _account->token = nullptr;
        _status = notOne(::GetLastError());
        if (_status == 0)
            _status = ERROR_LOGON_FAILURE;
    }
}

UserLogon::~UserLogon()
{
    if (_account->token != nullptr)
        ::CloseHandle(_account->token);
}

int UserLogon::status() const
{
    return _status;
}

int UserLogon::impersonate() const
{
    if (_account->token == nullptr)
        return _status != 0 ? _status : ERROR_INVALID_HANDLE;
    return ::ImpersonateLoggedOnUser(_account->token) ? 0 : notOne(::GetLastError());
}

int UserLogon::startProgram(const std::string& program, const std::string& commandLine, long* processId) const
{
    if (_account->token == nullptr)
        return _status != 0 ? _status : ERROR_INVALID_HANDLE;
    const std::string executable = toHostPath(program);
    const std::string line = commandLine.empty() ? joinCommandLine({executable}) : commandLine;
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessAsUserA(_account->token, executable.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0,
                                nullptr, nullptr, &startup, &info))
        return notOne(::GetLastError());
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    if (processId != nullptr)
        *processId = static_cast<long>(info.dwProcessId);
    return 0;
}

}  // namespace platform
}  // namespace qvx
