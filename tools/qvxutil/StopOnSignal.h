#ifndef QVXUTIL_STOP_ON_SIGNAL_H
#define QVXUTIL_STOP_ON_SIGNAL_H

#include <memory>

class SocketServer;

namespace qvxutil {

// While it lives, the host's stop request (SIGINT or SIGTERM on POSIX; Ctrl+C,
// Ctrl+Break or closing the console on Windows) stops the server that runs
// acceptConnections() on the constructing thread. One host implementation
// each, in posix/ and win32/.
class StopOnSignal
{
public:
    explicit StopOnSignal(SocketServer& server);
    ~StopOnSignal();
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;

    bool stopRequested() const;

private:
    struct Host;
    std::unique_ptr<Host> _host;
};

}  // namespace qvxutil

#endif
