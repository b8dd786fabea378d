// qvxutil mtu: the largest frame sent towards a host without fragmenting.
#include <iostream>
#include <string>

#include "Command.h"
#include "PingSetup.h"

namespace {

int runMtu(const qvxutil::Args& args)
{
    std::string host, from;
    for (std::size_t i = 0; i < args.size(); ++i)
        if (!qvxutil::takeHostArgument(args, i, host, from))
            throw qvxutil::UsageError{"unexpected argument '" + args[i] + "'"};
    if (host.empty())
        throw qvxutil::UsageError{"mtu needs a host"};

    const std::unique_ptr<Ping> ping = qvxutil::makePing("mtu", host, from);
    if (!ping)
        return 1;
    const int frame = ping->measureMTU();
    if (frame < 0)
    {
        std::cerr << "qvxutil mtu: sending towards " << ping->getRemoteHostIp() << " failed\n";
        return 1;
    }
    std::cout << "frame " << frame << " bytes towards " << ping->getRemoteHostIp()
              << " (Ethernet II header included)\n"
              << "payload " << frame - 42 << " bytes fits (IP datagram " << frame - 14 << " bytes)\n";
    return 0;
}

const qvxutil::Command::Registration registration{
    {"mtu", "mtu HOST [--from ADDR]",
     "largest frame sent towards HOST with don't-fragment set (needs CAP_NET_RAW)", &runMtu}};

}  // namespace
