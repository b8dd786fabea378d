// qvxutil serve: a message server in the foreground until SIGINT or SIGTERM.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

#include "Command.h"
#include "MessageHandlers.h"
#include "SocketServer.h"

namespace {

const int DEFAULT_PORT = 5000;

void onWakeSignal(int) {}

int parsePort(const std::string& text)
{
    char* end = nullptr;
    const long port = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || port < 0 || port > 65534)
        throw qvxutil::UsageError{"port must be a number from 0 to 65534: '" + text + "'"};
    return static_cast<int>(port);
}

// Stops the server when SIGINT or SIGTERM arrives. The stop signals are
// blocked in every thread and taken by a watcher thread; the server's thread
// only gets SIGUSR1, which interrupts a blocked accept or receive (no
// SA_RESTART) so that the loop sees its stop flag. SIGUSR1 is repeated until
// the loop has ended, so a signal that arrives between two blocking calls
// cannot be missed.
class StopOnSignal
{
public:
    explicit StopOnSignal(SocketServer& server) : _server(server), _serverThread(pthread_self())
    {
        struct sigaction wake = {};
        wake.sa_handler = &onWakeSignal;
        sigemptyset(&wake.sa_mask);
        wake.sa_flags = 0;
        sigaction(SIGUSR1, &wake, nullptr);

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
            pthread_kill(_watcher.native_handle(), SIGTERM);  // ends the wait
        _watcher.join();
        pthread_sigmask(SIG_SETMASK, &_previousMask, nullptr);
    }

    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;

    bool stopRequested() const { return _stopRequested.load(); }

private:
    void watch()
    {
        int received = 0;
        sigwait(&_stopSignals, &received);
        if (_loopEnded.load())
            return;
        _stopRequested.store(true);
        _server.killServer();
        while (!_loopEnded.load())
        {
            pthread_kill(_serverThread, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    SocketServer& _server;
    pthread_t _serverThread;
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
        StopOnSignal stop(server);
        server.acceptConnections();
    }
    std::cout << "stopped" << std::endl;
    return 0;
}

const qvxutil::Command::Registration registration{
    {"serve", "serve [--port P] [--marker TEXT] [--raw] [--handler NAME]",
     "message server until SIGINT/SIGTERM (handlers: echo, upper, hash, time; port 5000)", &runServe}};

}  // namespace
