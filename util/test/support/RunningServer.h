#ifndef QVX_TEST_RUNNING_SERVER_H
#define QVX_TEST_RUNNING_SERVER_H

// A SocketServer on a free port whose loop runs on its own thread. Whatever
// ends the loop (normal return, failed check, socket failure) is kept for the
// test to look at.
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "AssertException.h"
#include "LoopbackPeer.h"
#include "SocketException.h"
#include "SocketServer.h"
#include "XrayTesterException.h"

namespace qvxtest {

class RunningServer
{
public:
    RunningServer(SocketServerMessageHandler& handler, const std::string& marker,
                  SocketServer::SocketServerModeEnum mode = SocketServer::TextMode)
    {
        // The port was free a moment ago; another test may take it meanwhile.
        for (int attempt = 0; !_server && attempt < 20; ++attempt)
        {
            _port = freeLoopbackPort();
            try
            {
                _server = std::make_unique<SocketServer>(_port, handler, marker, mode);
            }
            catch (const SocketException&)
            {
            }
        }
        if (_server)
        {
            _thread = std::thread([this] { run(); });
            // Connecting before the loop listens would be refused, and a
            // killServer() before it starts would be undone.
            waitUntilListening(_port);
        }
    }

    ~RunningServer() { stop(); }
    RunningServer(const RunningServer&) = delete;
    RunningServer& operator=(const RunningServer&) = delete;

    int port() const { return _port; }
    SocketServer& server() { return *_server; }

    // Stops the loop as another thread can: killServer(), then a connection
    // that wakes the blocked accept. Waits for the loop to end.
    void stop()
    {
        if (!_thread.joinable())
            return;
        _server->killServer();
        if (!_finished.load())
        {
            LoopbackPeer wake;
            wake.connect(_port);
        }
        join();
    }

    void join()
    {
        if (_thread.joinable())
            _thread.join();
    }

    bool finished() const { return _finished.load(); }

    // How the loop ended: "returned", the condition of a failed check, or
    // "KEY['message']" of a socket failure. Valid after join().
    const std::string& outcome() const { return _outcome; }

private:
    void run()
    {
        try
        {
            _server->acceptConnections();
            _outcome = "returned";
        }
        catch (const AssertException& e)
        {
            _outcome = e.getParameter(0);
        }
        catch (const XrayTesterException& e)
        {
            _outcome = e.getKey() + "['" + e.getMessage() + "']";
        }
        _finished.store(true);
    }

    int _port = 0;
    std::unique_ptr<SocketServer> _server;
    std::thread _thread;
    std::atomic<bool> _finished{false};
    std::string _outcome;
};

}  // namespace qvxtest

#endif
