// qvxutil poweroff --yes / qvxutil reboot --yes: powers this machine off or
// restarts it at once, applications closed by force. Without --yes nothing
// happens. (Two subcommands in one file: they differ only in the request.)
#include <iostream>

#include "Command.h"
#include "WindowUtil.h"

namespace {

int power(const qvxutil::Args& args, const std::string& name, const char* what, bool (*request)(),
          const char* doing)
{
    if (args != qvxutil::Args{"--yes"})
        throw qvxutil::UsageError{name + " " + what + " this machine at once, applications closed by force: " +
                                  "confirm with --yes"};
    if (!request())
    {
        std::cerr << "qvxutil: " << name << " refused (this needs CAP_SYS_BOOT)\n";
        return 1;
    }
    std::cout << doing << '\n';
    return 0;
}

int runPoweroff(const qvxutil::Args& args)
{
    return power(args, "poweroff", "stops", &WindowUtil::shutdownComputer, "powering off");
}

int runReboot(const qvxutil::Args& args)
{
    return power(args, "reboot", "restarts", &WindowUtil::restartComputer, "restarting");
}

const qvxutil::Command::Registration poweroff{
    {"poweroff", "poweroff --yes", "power this machine off at once (forced)", &runPoweroff}};
const qvxutil::Command::Registration reboot{
    {"reboot", "reboot --yes", "restart this machine at once (forced)", &runReboot}};

}  // namespace
