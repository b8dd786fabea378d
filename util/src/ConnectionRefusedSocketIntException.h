#ifndef QVX_CONNECTION_REFUSED_SOCKET_INT_EXCEPTION_H
#define QVX_CONNECTION_REFUSED_SOCKET_INT_EXCEPTION_H

#include <string>

#include "SocketIntException.h"

// The server refused a client's connect.
class QVXUTIL_API ConnectionRefusedSocketIntException : public SocketIntException
{
public:
    ConnectionRefusedSocketIntException(const sockaddr_in& peer, const std::string& sourceFile,
                                        unsigned int line);
    ConnectionRefusedSocketIntException(const ConnectionRefusedSocketIntException& other);
    virtual ~ConnectionRefusedSocketIntException();
};

#endif
