// qvxutil send: requests to a message server, printing its response lines.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "Command.h"
#include "OptionValues.h"
#include "SocketClient.h"

namespace {

// Each request may take this long by default, so an unanswering server
// cannot hold the tool forever.
const char* const DEFAULT_TIMEOUT = "30";

int runSend(const qvxutil::Args& args)
{
    std::vector<std::string> positional;
    std::string marker;
    unsigned int timeout = qvxutil::secondsAsMilliseconds("--timeout", DEFAULT_TIMEOUT);
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        if (args[i] == "--marker")
            marker = qvxutil::optionValue(args, i);
        else if (args[i] == "--timeout")
            timeout = qvxutil::secondsAsMilliseconds("--timeout", qvxutil::optionValue(args, i));
        else
            positional.push_back(args[i]);
    }
    if (positional.size() < 3)
        throw qvxutil::UsageError{"send needs a host, a port and at least one message"};
    char* end = nullptr;
    const long port = std::strtol(positional[1].c_str(), &end, 10);
    if (*end != '\0' || port <= 0 || port > 65535)
        throw qvxutil::UsageError{"port must be a number from 1 to 65535: '" + positional[1] + "'"};
    // A line break would end the request early and send the rest as a
    // request of its own, whose answer nobody reads.
    for (std::size_t i = 2; i < positional.size(); ++i)
        if (positional[i].find_first_of("\r\n") != std::string::npos)
            throw qvxutil::UsageError{"message " + std::to_string(i - 1) +
                                      " holds a CR or LF; each MESSAGE is one request line"};

    SocketClient client(positional[0], static_cast<int>(port), marker);
    client.setReceiveTimeout(timeout);
    client.connect();
    for (std::size_t i = 2; i < positional.size(); ++i)
        for (const std::string& line : client.sendMessageToServer(positional[i]))
            std::cout << line << '\n';
    std::cout.flush();
    return 0;
}

const qvxutil::Command::Registration registration{
    {"send", "send HOST PORT [--marker TEXT] [--timeout S] MESSAGE...",
     "one request line per MESSAGE to a message server; prints the response lines (each request "
     "may take S seconds, 30 by default, 0 without limit)",
     &runSend}};

}  // namespace
