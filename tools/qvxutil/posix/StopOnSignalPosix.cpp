// POSIX: SIGINT and SIGTERM stop the server.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <thread>

#include "SocketServer.h"
#include "StopOnSignal.h"

namespace qvxutil {

// The stop signals are blocked in every thread and taken by a watcher thread,
// which calls killServer(): that wakes the loop wherever it waits, so the
// serving thread itself never gets a signal.
struct StopOnSignal::Host
{
    explicit Host(SocketServer& server) : _server(server)
    {
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
            pthread_kill(_watcher.native_handle(), SIGTERM);  // ends the watcher's wait
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
    }

    SocketServer& _server;
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
