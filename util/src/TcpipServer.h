#ifndef QVX_TCPIP_SERVER_H
#define QVX_TCPIP_SERVER_H

#include <atomic>
#include <cstdint>

#include <boost/thread/mutex.hpp>

#include "HostSocketAddress.h"
#include "Socket.h"
#include "SocketInt.h"

class TcpipConnection;

// Listens on one TCP port on every local IPv4 address and accepts one
// connection at a time; the accepted connection is held until getConnection()
// hands it to the caller. Order of use: listen() once, then accept(),
// getConnection(), work with the connection, releaseConnection(connection);
// finally shutdown(), which may come from any thread and ends a blocked
// accept() with OperationInterruptedSocketIntException.
//
// One thread drives everything but shutdown() and isShutdown(). The state and
// the listening handle are atomic, so that the driving thread may read them
// while shutdown() changes them under the mutex; the listening handle is
// taken with an exchange by whoever closes it, so it is closed once.
// accept() also takes the mutex, for a few statements before and after the
// host's accept (never across it), to note that it uses the handle: a
// shutdown() meanwhile only shuts the socket down, which wakes the accept, and
// leaves the close to accept() when the host call has returned. So the
// descriptor number cannot be reused while accept() may still be using it.
//
// shutdown() wins every race with the driving thread, until the next listen():
// - an accept() that fails after shutdown() began (blocked in the host, or
//   reaching it after the socket was shut down) throws
//   OperationInterruptedSocketIntException, also when releaseConnection() has
//   set the state to Listening in between;
// - an accept() whose host call succeeds while shutdown() runs keeps the new
//   connection for getConnection() but leaves the state Closed, as if the
//   shutdown had come just after it.
//
// Choices made here:
// - The socket library needs no start-up on this host: it grants version 2.2.
// - Handle 0 means "no listening socket"; accept() then never reaches the host
//   (descriptor 0 is standard input) and fails as on a bad handle.
// - A listen() that goes on after its state check (nop mode) closes the old
//   listening socket before it opens the new one.
// - In nop mode, accept() with a connection still held returns at once and
//   keeps it (accepting another would lose it).
// - A pending connection that the peer reset before it was taken is reported
//   by this host as ECONNABORTED, by others as ECONNRESET; both are the
//   "peer reset during accept" case (state Listening, socket kept).
// - The destructor neither closes the listening socket nor deletes a held
//   connection: call shutdown() and take and release the connection first.
class QVXUTIL_API TcpipServer
{
public:
    explicit TcpipServer(int port);
    ~TcpipServer();

    TcpipServer(const TcpipServer&) = delete;
    TcpipServer& operator=(const TcpipServer&) = delete;

    bool listen();
    void accept();
    // The connection of the last accept(), which the caller now owns; null if none.
    TcpipConnection* getConnection();
    // State Listening; deletes (and so closes) connection unless it is null.
    void releaseConnection(TcpipConnection* connection);

    // Write and exact read on the held connection.
    int send(const void* data, unsigned int size);
    int receive(void* data, unsigned int size);

    void shutdown();
    bool isShutdown();

    void setMaxConn(int c);
    int getMaxConn() const;
    // Low 16 bits of p; used by the next listen().
    void setPort(int p);
    int getPort() const;
    // The port the listening socket got (0 before listen()).
    int getBoundPort() const;
    SocketInt::State getSocketState() const;

private:
    void init();
    // Forgets and closes the listening socket, once.
    void closeListenHandle();

    TcpipConnection* _pCurrentConnection;
    std::uint16_t _boundPort;
    sockaddr_in _listenAddress;
    int _maxConn;
    std::atomic<qvx::platform::SocketHandle> _listenHandle;
    boost::mutex _mutex;
    std::atomic<SocketInt::State> _currentState;
    // Set by shutdown(), cleared by listen().
    std::atomic<bool> _shutdownRequested;
    // Under _mutex: accept() is using the listening handle; shutdown() left
    // the close of that handle to it.
    bool _acceptInProgress;
    bool _closeAfterAccept;
};

#endif
