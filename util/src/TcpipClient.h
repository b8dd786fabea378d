#ifndef QVX_TCPIP_CLIENT_H
#define QVX_TCPIP_CLIENT_H

#include <string>

#include "HostSocketAddress.h"
#include "SocketInt.h"

class TcpipConnection;

// Holds one TCP server's address (host and port) and, optionally, a local
// address to connect from, and makes blocking connections to it. Every
// successful connect() returns a new TcpipConnection that the caller owns; the
// client keeps no socket and can connect again. One thread at a time.
//
// Choices made here:
// - The socket library needs no start-up on this host: it grants version 2.2.
// - Exclusive use of the local address: the socket is made not to share its
//   address or port (SO_REUSEADDR and SO_REUSEPORT off), which on Linux already
//   keeps any other socket from binding the same address and port.
// - In nop mode a failed check in connect() makes no connection: it returns
//   null, with any socket it had made closed. In particular it never connects
//   to an unset address (0.0.0.0 reaches this machine on Linux).
class QVXUTIL_API TcpipClient
{
public:
    TcpipClient(const std::string& host, unsigned short port, const std::string& localHost);

    // Host name or dotted address; a failed lookup makes the state Unavailable
    // and keeps the previous address.
    void setHost(const std::string& hostname);
    // "" connects from any local address.
    void setLocalHost(const std::string& host);
    // Low 16 bits of p.
    void setPort(int p);
    int getPort();
    // Dotted addresses, or "" when none is set.
    std::string getHost();
    std::string getLocalHost();
    SocketInt::State getSocketState();

    TcpipConnection* connect();

private:
    SocketInt::State _currentState;
    sockaddr_in _saSock;
    sockaddr_in _saLocal;
};

#endif
