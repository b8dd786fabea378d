// qvxutil send: requests to a message server, printing its response lines.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "Command.h"
#include "SocketClient.h"

namespace {

int runSend(const qvxutil::Args& args)
{
    std::vector<std::string> positional;
    std::string marker;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        if (args[i] == "--marker" && i + 1 < args.size())
            marker = args[++i];
        else
            positional.push_back(args[i]);
    }
    if (positional.size() < 3)
        throw qvxutil::UsageError{"send needs a host, a port and at least one message"};
    char* end = nullptr;
    const long port = std::strtol(positional[1].c_str(), &end, 10);
    if (*end != '\0' || port <= 0 || port > 65535)
        throw qvxutil::UsageError{"port must be a number from 1 to 65535: '" + positional[1] + "'"};

    SocketClient client(positional[0], static_cast<int>(port), marker);
    client.connect();
    for (std::size_t i = 2; i < positional.size(); ++i)
        for (const std::string& line : client.sendMessageToServer(positional[i]))
            std::cout << line << '\n';
    std::cout.flush();
    return 0;
}

const qvxutil::Command::Registration registration{
    {"send", "send HOST PORT [--marker TEXT] MESSAGE...",
     "one request per MESSAGE to a message server; prints the response lines", &runSend}};

}  // namespace
