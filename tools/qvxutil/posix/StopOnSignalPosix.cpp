// POSIX: SIGINT and SIGTERM stop the server.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "SocketServer.h"
#include "StopOnSignal.h"

namespace qvxutil {

namespace {
void onWakeSignal(int) {}
}  // namespace

// Stops the server when SIGINT or SIGTERM arrives. The stop signals are
// blocked in every thread and taken by a watcher thread; the server's thread
// only gets SIGUSR1, which interrupts a blocked accept or receive (no
// SA_RESTART) so that the loop sees its stop flag. SIGUSR1 is repeated until
// the loop has ended, so a signal that arrives between two blocking calls
// cannot be missed.
struct StopOnSignal::Host
{
    explicit Host(SocketServer& server) : _server(server), _serverThread(pthread_self())
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

    ~Host()
    {
        _loopEnded.store(true);
        if (!_stopRequested.load())
            pthread_kill(_watcher.native_handle(), SIGTERM);  // ends the wait
        _watcher.join();
        pthread_sigmask(SIG_SETMASK, &_previousMask, nullptr);
    }

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

StopOnSignal::StopOnSignal(SocketServer& server) : _host(new Host(server)) {}

StopOnSignal::~StopOnSignal() = default;

bool StopOnSignal::stopRequested() const
{
    return _host->_stopRequested.load();
}

}  // namespace qvxutil
