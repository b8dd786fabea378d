#include "PingSetup.h"

#include <cstdlib>
#include <iostream>

#include "AssertException.h"
#include "kbrAssert.h"

namespace qvxutil {

std::unique_ptr<Ping> makePing(const std::string& command, const std::string& host,
                               const std::string& from)
{
    const bool wasExceptionMode = isAssertExceptionModeEnabled();
    enableAssertExceptionMode();
    std::unique_ptr<Ping> ping;
    try
    {
        ping = from.empty() ? std::make_unique<Ping>(host) : std::make_unique<Ping>(host, from);
    }
    catch (const AssertException& e)
    {
        const std::string condition = e.getParameter(0);
        std::cerr << "qvxutil " << command << ": ";
        if (condition == "he")
            std::cerr << "cannot resolve '" << (from.empty() ? host : host + "' or '" + from) << "'\n";
        else if (condition == "s")
            std::cerr << "cannot open a raw IPv4 socket: " << command
                      << " needs root or the CAP_NET_RAW capability\n";
        else
            std::cerr << "cannot set up the raw IPv4 socket: " << e.getMessage() << '\n';
    }
    if (!wasExceptionMode)
        disableAssertExceptionMode();
    return ping;
}

bool takeHostArgument(const Args& args, std::size_t& i, std::string& host, std::string& from)
{
    if (args[i] == "--from" && i + 1 < args.size())
        from = args[++i];
    else if (host.empty() && !args[i].empty() && args[i][0] != '-')
        host = args[i];
    else
        return false;
    return true;
}

int numberArgument(const std::string& option, const std::string& text, int low, int high)
{
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < low || value > high)
        throw UsageError{option + " must be a number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ": '" + text + "'"};
    return static_cast<int>(value);
}

}  // namespace qvxutil
