// qvxutil reboot --yes: restarts this machine at once, applications
// closed by force. Without --yes nothing happens.
#include <iostream>

#include "Command.h"
#include "WindowUtil.h"

namespace {

int runReboot(const qvxutil::Args& args)
{
    if (args != qvxutil::Args{"--yes"})
        throw qvxutil::UsageError{"reboot restarts this machine at once, applications closed by force: "
                                  "confirm with --yes"};
    if (!WindowUtil::restartComputer())
    {
        std::cerr << "qvxutil: reboot refused (this needs CAP_SYS_BOOT)\n";
        return 1;
    }
    std::cout << "restarting\n";
    return 0;
}

const qvxutil::Command::Registration registration{
    {"reboot", "reboot --yes", "restart this machine at once (forced)", &runReboot}};

}  // namespace
