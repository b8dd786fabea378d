#ifndef QVX_CONNECTION_TIMEOUT_SOCKET_INT_EXCEPTION_H
#define QVX_CONNECTION_TIMEOUT_SOCKET_INT_EXCEPTION_H

#include <string>

#include "SocketIntException.h"

// A connection timed out.
class QVXUTIL_API ConnectionTimeoutSocketIntException : public SocketIntException
{
public:
    ConnectionTimeoutSocketIntException(const std::string& sourceFile, unsigned int line);
    ConnectionTimeoutSocketIntException(const ConnectionTimeoutSocketIntException& other);
    virtual ~ConnectionTimeoutSocketIntException();
};

#endif
