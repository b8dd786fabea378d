#ifndef QVX_NETWORK_DOWN_SOCKET_INT_EXCEPTION_H
#define QVX_NETWORK_DOWN_SOCKET_INT_EXCEPTION_H

#include <string>

#include "SocketIntException.h"

// The network subsystem reported that the network is down.
class QVXUTIL_API NetworkDownSocketIntException : public SocketIntException
{
public:
    NetworkDownSocketIntException(const std::string& sourceFile, unsigned int line);
    NetworkDownSocketIntException(const NetworkDownSocketIntException& other);
    virtual ~NetworkDownSocketIntException();
};

#endif
