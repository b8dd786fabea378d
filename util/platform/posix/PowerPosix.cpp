#include "Power.h"

#include <linux/capability.h>
#include <sys/reboot.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "Environment.h"
#include "Process.h"

namespace qvx {
namespace platform {

namespace {

std::atomic<PowerRequester> replacement{nullptr};

bool unitTestingNow()
{
    std::string value;
    if (!getEnvironmentVariable("UNIT_TESTING", value) || value.size() != 4)
        return false;
    for (std::size_t i = 0; i < 4; ++i)
        if ((value[i] | 0x20) != "true"[i])
            return false;
    return true;
}

bool systemdIsInit()
{
    std::ifstream comm("/proc/1/comm");
    std::string name;
    return std::getline(comm, name) && name == "systemd";
}

bool hostRequest(PowerRequest request)
{
    if (unitTestingNow())
        return false;
    const bool off = request == PowerRequest::PowerOff;
    if (systemdIsInit())
    {
        std::string output;
        int exitCode = -1;
        const int rc = runProcess("systemctl", {"systemctl", off ? "poweroff" : "reboot", "--force"}, 4096,
                                  60000, output, exitCode);
        return rc == 0 && exitCode == 0;
    }
    ::sync();
    return ::reboot(off ? RB_POWER_OFF : RB_AUTOBOOT) == 0;
}

}  // namespace

bool enableShutdownPrivilege()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    const unsigned word = CAP_SYS_BOOT / 32;
    const std::uint32_t bit = 1u << (CAP_SYS_BOOT % 32);
    if (data[word].effective & bit)
        return true;
    if (!(data[word].permitted & bit))
        return false;
    data[word].effective |= bit;
    return ::syscall(SYS_capset, &header, data) == 0;
}

bool requestPowerChange(PowerRequest request)
{
    if (PowerRequester r = replacement.load())
        return r(request);
    return hostRequest(request);
}

PowerRequester setPowerRequester(PowerRequester requester)
{
    return replacement.exchange(requester);
}

}  // namespace platform
}  // namespace qvx
