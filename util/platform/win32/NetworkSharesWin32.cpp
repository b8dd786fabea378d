// NetShareAdd and NetShareGetInfo (level 2) behind the network shares
// facility; their statuses are the ones the facility names.
#include "NetworkShares.h"
#include "WideText.h"

#include <windows.h>
#include <lm.h>

#include <vector>

namespace qvx {
namespace platform {

namespace {

using win32::narrow;
using win32::wide;

}  // namespace

unsigned addNetworkShare(const ShareDefinition& share)
{
    std::wstring name = wide(share.name), path = wide(share.path), remark = wide(share.remark),
                 password = wide(share.password);
    SHARE_INFO_2 info{};
    info.shi2_netname = &name[0];
    info.shi2_type = share.type;
    info.shi2_remark = remark.empty() ? nullptr : &remark[0];
    info.shi2_permissions = share.readOnly ? ACCESS_READ : ACCESS_ALL;
    info.shi2_max_uses = share.maxUses;
    info.shi2_current_uses = 0;
    info.shi2_path = &path[0];
    info.shi2_passwd = password.empty() ? nullptr : &password[0];
    DWORD badParameter = 0;
    return static_cast<unsigned>(::NetShareAdd(nullptr, 2, reinterpret_cast<LPBYTE>(&info), &badParameter));
}

unsigned getNetworkSharePath(const std::string& serverName, const std::string& shareName, std::string& path)
{
    std::wstring server = wide(serverName), share = wide(shareName);
    LPBYTE buffer = nullptr;
    const NET_API_STATUS status =
        ::NetShareGetInfo(server.empty() ? nullptr : &server[0], &share[0], 2, &buffer);
    if (status == NERR_Success && buffer != nullptr)
        path = narrow(reinterpret_cast<SHARE_INFO_2*>(buffer)->shi2_path);
    if (buffer != nullptr)
        ::NetApiBufferFree(buffer);
    return static_cast<unsigned>(status);
}

// Empty, ".", "localhost" or this computer's name (any letter case), with or
// without the leading "\\".
bool isLocalServerName(const std::string& serverName)
{
    std::string name = serverName;
    if (name.compare(0, 2, "\\\\") == 0)
        name.erase(0, 2);
    if (name.empty() || name == ".")
        return true;
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof computer;
    ::GetComputerNameA(computer, &size);
    return ::lstrcmpiA(name.c_str(), "localhost") == 0 || ::lstrcmpiA(name.c_str(), computer) == 0;
}

// Windows shares need no Samba configuration.
std::string sambaConfigurationFile()
{
    return std::string();
}

}  // namespace platform
}  // namespace qvx
