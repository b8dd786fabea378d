// qvxutil ping: ICMP echo requests of one frame size, with or without
// permission to fragment.
#include <iostream>
#include <string>

#include "Command.h"
#include "PingSetup.h"
#include "Socket.h"

namespace {

int runPing(const qvxutil::Args& args)
{
    std::string host, from;
    int size = 98;  // 56 data bytes, as other ping tools send by default
    int count = 4;
    bool dontFragment = false;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--size" && hasValue)
            size = qvxutil::numberArgument("--size", args[++i], 0, 65535);
        else if (args[i] == "--count" && hasValue)
            count = qvxutil::numberArgument("--count", args[++i], 1, 1000000);
        else if (args[i] == "--df")
            dontFragment = true;
        else if (!qvxutil::takeHostArgument(args, i, host, from))
            throw qvxutil::UsageError{"unexpected argument '" + args[i] + "'"};
    }
    if (host.empty())
        throw qvxutil::UsageError{"ping needs a host"};

    const std::unique_ptr<Ping> ping = qvxutil::makePing("ping", host, from);
    if (!ping)
        return 1;
    int answered = 0;
    for (int i = 0; i < count; ++i)
    {
        const int code = ping->ping(size, !dontFragment);
        if (code == 0)
        {
            ++answered;
            std::cout << "reply from " << ping->getRemoteHostIp() << ": " << size << " bytes\n";
        }
        else
        {
            std::cout << "no reply from " << ping->getRemoteHostIp() << ": " << size << " bytes, error "
                      << code << " (" << qvx::platform::socketErrorText(code) << ")\n";
        }
        std::cout.flush();
    }
    std::cout << count << " sent, " << answered << " answered\n";
    return answered == count ? 0 : 1;
}

const qvxutil::Command::Registration registration{
    {"ping", "ping HOST [--size N] [--df] [--count N] [--from ADDR]",
     "echo requests of N-byte frames (default 98, 4 requests); --df forbids fragmenting", &runPing}};

}  // namespace
