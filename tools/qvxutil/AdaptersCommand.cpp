// qvxutil adapters: the network adapters with their host ids.
#include <iostream>
#include <string>

#include "Command.h"
#include "MacUtil.h"

namespace {

int runAdapters(const qvxutil::Args& args)
{
    bool macOnly = false;
    for (const std::string& arg : args)
    {
        if (arg != "--mac")
            throw qvxutil::UsageError{"unexpected argument '" + arg + "'"};
        macOnly = true;
    }
    if (macOnly)
    {
        for (const std::string& hostId : MacUtil::getMacAddress())
            std::cout << hostId << '\n';
        return 0;
    }
    for (const NetworkAdapter& adapter : MacUtil::getNetworkAdapters())
    {
        const std::string hostId = adapter.getHostId();
        std::cout << (hostId.empty() ? std::string("-           ") : hostId) << "  "
                  << adapter.getTitle() << '\n';
    }
    return 0;
}

const qvxutil::Command::Registration registration{
    {"adapters", "adapters [--mac]",
     "host id and title of each network adapter; --mac: only the host ids", &runAdapters}};

}  // namespace
