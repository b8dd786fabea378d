#ifndef QVX_SOCKET_INT_H
#define QVX_SOCKET_INT_H

#include <string>

#include "QvxExport.h"

// The abstract face of one connected byte stream: whole and timed reads, single
// writes, close, usability, and the texts of both endpoints. It also keeps the
// two error codes the last failed socket call left behind: the socket library's
// own code (errno here) and the socket's pending error (SO_ERROR).
// State is shared by the TCP connection, server and client for their own states.
class QVXUTIL_API SocketInt
{
public:
    enum State
    {
        Invalid = 0,
        Closed,
        Listening,
        Accepting,
        Connecting,
        Established,
        Disconnected,
        TimedOut,
        Unavailable,
        Error,
        HandedOff,
        Refused
    };

    enum Status
    {
        Good = 0,
        Bad
    };

    SocketInt();
    SocketInt(const SocketInt& other);
    SocketInt& operator=(const SocketInt& other);

    // timeout in milliseconds; timedOut tells whether the time ran out.
    virtual int readBuffer(void* data, unsigned int size, unsigned int timeout, bool& timedOut) = 0;
    virtual int readBuffer(void* data, unsigned int size) = 0;
    virtual int writeBuffer(const void* data, unsigned int size) = 0;
    virtual void closeConnection() = 0;
    virtual Status getStatus() = 0;
    virtual ~SocketInt();
    virtual std::string getLocalHostIp() const = 0;
    virtual std::string getRemoteHostIp() const = 0;

    int getSocketError() const;
    int getSystemError() const;

protected:
    int _systemError;
    int _socketError;
};

#endif
