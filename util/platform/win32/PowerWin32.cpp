// The shutdown privilege (SE_SHUTDOWN_NAME, enabled in the process token) and
// InitiateSystemShutdownEx behind the power facility.
#include "Power.h"

#include <windows.h>

#include <atomic>

namespace qvx {
namespace platform {

namespace {
std::atomic<PowerRequester> g_requester{nullptr};

bool hostRequest(PowerRequest request)
{
    // Forced (applications do not get to refuse), at once, as a planned
    // application shutdown.
    return ::InitiateSystemShutdownExA(nullptr, nullptr, 0, TRUE, request == PowerRequest::Reboot ? TRUE : FALSE,
                                       SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_FLAG_PLANNED) != FALSE;
}
}  // namespace

bool enableShutdownPrivilege()
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool enabled = ::LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) &&
                   ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
                   ::GetLastError() == ERROR_SUCCESS;  // not ERROR_NOT_ALL_ASSIGNED
    ::CloseHandle(token);
    return enabled;
}

bool requestPowerChange(PowerRequest request)
{
    const PowerRequester requester = g_requester.load();
    return requester != nullptr ? requester(request) : hostRequest(request);
}

PowerRequester setPowerRequester(PowerRequester requester)
{
    return g_requester.exchange(requester);
}

}  // namespace platform
}  // namespace qvx
