// qvxutil serve: a message server in the foreground until SIGINT or SIGTERM.
#include <cstdlib>
#include <iostream>
#include <string>

#include "Command.h"
#include "MessageHandlers.h"
#include "SocketServer.h"
#include "StopOnSignal.h"

namespace {

const int DEFAULT_PORT = 5000;

int parsePort(const std::string& text)
{
    char* end = nullptr;
    const long port = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || port < 0 || port > 65534)
        throw qvxutil::UsageError{"port must be a number from 0 to 65534: '" + text + "'"};
    return static_cast<int>(port);
}

int runServe(const qvxutil::Args& args)
{
    int port = DEFAULT_PORT;
    std::string marker;
    std::string handlerName = "echo";
    SocketServer::SocketServerModeEnum mode = SocketServer::TextMode;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--port" && hasValue)
            port = parsePort(args[++i]);
        else if (arg == "--marker" && hasValue)
            marker = args[++i];
        else if (arg == "--handler" && hasValue)
            handlerName = args[++i];
        else if (arg == "--raw")
            mode = SocketServer::RawMode;
        else
            throw qvxutil::UsageError{"unexpected argument '" + arg + "'"};
    }
    if (!qvxutil::isMessageHandlerName(handlerName))
        throw qvxutil::UsageError{"unknown handler '" + handlerName + "' (one of " +
                                  qvxutil::messageHandlerNames() + ")"};

    qvxutil::NamedMessageHandler handler(handlerName);
    SocketServer server(port, handler, marker, mode);
    std::cout << "serving '" << handlerName << "' on port " << port << " ("
              << (mode == SocketServer::RawMode ? "raw" : "text")
              << (marker.empty() ? "" : ", marker " + marker) << "); SIGINT or SIGTERM stops"
              << std::endl;
    {
        qvxutil::StopOnSignal stop(server);
        server.acceptConnections();
    }
    std::cout << "stopped" << std::endl;
    return 0;
}

const qvxutil::Command::Registration registration{
    {"serve", "serve [--port P] [--marker TEXT] [--raw] [--handler NAME]",
     "message server until SIGINT/SIGTERM (handlers: echo, upper, hash, time; port 5000)", &runServe}};

}  // namespace
