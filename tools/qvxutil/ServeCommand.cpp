// qvxutil serve: a message server in the foreground until SIGINT or SIGTERM.
// The stop waits for an answer being sent; a client that takes none of it
// holds the stop until --idle-timeout lets that client go.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

#include "Command.h"
#include "MessageHandlers.h"
#include "OptionValues.h"
#include "SocketServer.h"

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

// Stops the server when SIGINT or SIGTERM arrives. The stop signals are
// blocked in every thread and taken by a watcher thread, which calls
// killServer(): that wakes the loop wherever it waits, so the serving thread
// itself never gets a signal.
class StopOnSignal
{
public:
    explicit StopOnSignal(SocketServer& server) : _server(server)
    {
        sigemptyset(&_stopSignals);
        sigaddset(&_stopSignals, SIGINT);
        sigaddset(&_stopSignals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &_stopSignals, &_previousMask);
        _watcher = std::thread([this] { watch(); });
    }

    ~StopOnSignal()
    {
        _loopEnded.store(true);
        if (!_stopRequested.load())
            pthread_kill(_watcher.native_handle(), SIGTERM);  // ends the watcher's wait
        _watcher.join();
        pthread_sigmask(SIG_SETMASK, &_previousMask, nullptr);
    }

    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;

private:
    void watch()
    {
        int received = 0;
        sigwait(&_stopSignals, &received);
        if (_loopEnded.load())
            return;
        _stopRequested.store(true);
        _server.killServer();
    }

    SocketServer& _server;
    sigset_t _stopSignals;
    sigset_t _previousMask;
    std::atomic<bool> _loopEnded{false};
    std::atomic<bool> _stopRequested{false};
    std::thread _watcher;
};

int runServe(const qvxutil::Args& args)
{
    int port = DEFAULT_PORT;
    std::string marker;
    std::string handlerName = "echo";
    SocketServer::SocketServerModeEnum mode = SocketServer::TextMode;
    unsigned int idleTimeout = 0;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        if (arg == "--port")
            port = parsePort(qvxutil::optionValue(args, i));
        else if (arg == "--marker")
            marker = qvxutil::optionValue(args, i);
        else if (arg == "--handler")
            handlerName = qvxutil::optionValue(args, i);
        else if (arg == "--idle-timeout")
            idleTimeout = qvxutil::secondsAsMilliseconds(arg, qvxutil::optionValue(args, i));
        else if (arg == "--raw")
            mode = SocketServer::RawMode;
        else
            throw qvxutil::UsageError{"unexpected argument '" + arg + "'"};
    }
    if (!qvxutil::isMessageHandlerName(handlerName))
        throw qvxutil::UsageError{"unknown handler '" + handlerName + "' (one of " +
                                  qvxutil::messageHandlerNames() + ")"};

    qvxutil::NamedMessageHandler handler(handlerName);
    // Listening once the server exists: a client that connects as soon as the
    // banner is out is queued, not refused.
    SocketServer server(port, handler, marker, mode);
    server.setIdleTimeout(idleTimeout);
    std::cout << "serving '" << handlerName << "' on port " << server.getBoundPort() << " ("
              << (mode == SocketServer::RawMode ? "raw" : "text")
              << (marker.empty() ? "" : ", marker " + marker)
              << (idleTimeout == 0 ? "" : ", idle time-out " + std::to_string(idleTimeout) + " ms")
              << "); SIGINT or SIGTERM stops" << std::endl;
    {
        StopOnSignal stop(server);
        server.acceptConnections();
    }
    std::cout << "stopped" << std::endl;
    return 0;
}

const qvxutil::Command::Registration registration{
    {"serve", "serve [--port P] [--marker TEXT] [--raw] [--handler NAME] [--idle-timeout S]",
     "message server until SIGINT/SIGTERM (handlers: echo, upper, hash, time; port 5000, 0 for any "
     "free one; a client silent for S seconds is let go)",
     &runServe}};

}  // namespace
