#ifndef QVX_CONNECTION_RESET_SOCKET_INT_EXCEPTION_H
#define QVX_CONNECTION_RESET_SOCKET_INT_EXCEPTION_H

#include <string>

#include "SocketIntException.h"

// A peer reset its connection (a server's pending connection, or a stream).
class QVXUTIL_API ConnectionResetSocketIntException : public SocketIntException
{
public:
    ConnectionResetSocketIntException(const sockaddr_in& peer, const std::string& sourceFile,
                                      unsigned int line);
    ConnectionResetSocketIntException(const SocketInt* socket, const std::string& sourceFile,
                                      unsigned int line);
    ConnectionResetSocketIntException(const ConnectionResetSocketIntException& other);
    virtual ~ConnectionResetSocketIntException();
};

#endif
