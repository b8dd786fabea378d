#ifndef QVX_W_S_A_START_UP_SOCKET_INT_EXCEPTION_H
#define QVX_W_S_A_START_UP_SOCKET_INT_EXCEPTION_H

#include <string>

#include "SocketIntException.h"

// The socket library failed to start. Takes no endpoint, but its parameters are
// those of a null socket: (local host address, "0.0.0.0", file, line).
class QVXUTIL_API WSAStartUpSocketIntException : public SocketIntException
{
public:
    WSAStartUpSocketIntException(const std::string& sourceFile, unsigned int line);
    WSAStartUpSocketIntException(const WSAStartUpSocketIntException& other);
    virtual ~WSAStartUpSocketIntException();
};

#endif
