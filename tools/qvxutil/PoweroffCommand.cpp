// qvxutil poweroff --yes: powers this machine off at once, applications
// closed by force. Without --yes nothing happens.
#include <iostream>

#include "Command.h"
#include "WindowUtil.h"

namespace {

int runPoweroff(const qvxutil::Args& args)
{
    if (args != qvxutil::Args{"--yes"})
        throw qvxutil::UsageError{"poweroff stops this machine at once, applications closed by force: "
                                  "confirm with --yes"};
    if (!WindowUtil::shutdownComputer())
    {
        std::cerr << "qvxutil: poweroff refused (this needs CAP_SYS_BOOT)\n";
        return 1;
    }
    std::cout << "powering off\n";
    return 0;
}

const qvxutil::Command::Registration registration{
    {"poweroff", "poweroff --yes", "power this machine off at once (forced)", &runPoweroff}};

}  // namespace
