#ifndef QVX_TCPIP_CONNECTION_H
#define QVX_TCPIP_CONNECTION_H

#include <string>

#include "SocketInt.h"

class TcpipServer;
class TcpipClient;

// One connected TCP stream socket; the only implementation of SocketInt. Made
// on the heap by TcpipServer::accept and TcpipClient::connect and owned by the
// caller, whose delete closes the socket. The stream operations are private
// overrides: use them through getSocketInt() (or a SocketInt reference).
//
// The state follows every failed call (see setSocketState); a connection is
// always Invalid, Closed, Established, Disconnected, TimedOut or Error.
//
// Choices made here:
// - Handle 0 means "no socket". The socket layer never hands out descriptor 0,
//   and after close() no call reaches the host with it: a read, write or wait
//   then fails as on a bad handle (EBADF).
// - Counts are signed 32-bit: a read whose size does not fit returns 0 without
//   receiving, and a single write sends at most that many bytes (the caller
//   sends the rest, as after any partial send).
// - With a null buffer (or a write of 0 bytes) the failed check "dataBuffer",
//   "data" or "bufferSize" is reported and, when it returns, the call returns 0
//   without touching the socket or the state.
// - Connections are not copied: two owners would close one socket twice.
class QVXUTIL_API TcpipConnection : public SocketInt
{
public:
    // Closes the connection; never lets an exception out (see close()).
    virtual ~TcpipConnection();

    TcpipConnection(const TcpipConnection&) = delete;
    TcpipConnection& operator=(const TcpipConnection&) = delete;

    // This connection's stream interface while Established, else null.
    SocketInt* getSocketInt();
    // Shuts the stream down both ways and closes it; then Closed. Does nothing
    // without a handle. A stream the peer already reset cannot be shut down
    // (ENOTCONN here): that is not a failure, there is nothing left to shut
    // down. The socket is closed and the state Closed before any failed check
    // is reported, so a check that throws never leaves the socket open.
    void close();
    SocketInt::State getSocketState();

protected:
    explicit TcpipConnection(unsigned int socketHandle);

private:
    friend class TcpipServer;
    friend class TcpipClient;

    // Reads up to size bytes; each wait for data lasts at most timeout ms while
    // the deadline (now plus the whole seconds of timeout) has not passed, and
    // only polls once it has. timedOut tells whether the last wait ran out.
    int readBuffer(void* data, unsigned int size, unsigned int timeout, bool& timedOut) override;
    // Reads exactly size bytes, blocking as long as needed.
    int readBuffer(void* dataBuffer, unsigned int size) override;
    // One send; bytes sent, 0, or -1 (never throws; never raises SIGPIPE).
    int writeBuffer(const void* data, unsigned int bufferSize) override;
    void closeConnection() override;
    Status getStatus() override;
    // Dotted address of each end, or "???.???.???.???" when unknown.
    std::string getLocalHostIp() const override;
    std::string getRemoteHostIp() const override;

    // One receive step: advances *cursor and lowers *remaining by the count.
    int readBuffer(char** cursor, int* remaining);
    void setSocketState(int errorCode);
    void setSocketStateAfterZeroBytes();
    void readPendingError();

    unsigned int _socketHandle;
    SocketInt::State _currentState;
};

#endif
