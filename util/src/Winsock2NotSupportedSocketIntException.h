#ifndef QVX_WINSOCK2_NOT_SUPPORTED_SOCKET_INT_EXCEPTION_H
#define QVX_WINSOCK2_NOT_SUPPORTED_SOCKET_INT_EXCEPTION_H

#include <string>

#include "SocketIntException.h"

// The socket library granted another version than the one asked for.
class QVXUTIL_API Winsock2NotSupportedSocketIntException : public SocketIntException
{
public:
    Winsock2NotSupportedSocketIntException(const std::string& sourceFile, unsigned int line);
    Winsock2NotSupportedSocketIntException(const Winsock2NotSupportedSocketIntException& other);
    virtual ~Winsock2NotSupportedSocketIntException();
};

#endif
