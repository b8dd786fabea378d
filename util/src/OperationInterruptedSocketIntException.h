#ifndef QVX_OPERATION_INTERRUPTED_SOCKET_INT_EXCEPTION_H
#define QVX_OPERATION_INTERRUPTED_SOCKET_INT_EXCEPTION_H

#include <string>

#include "SocketIntException.h"

// A blocking call ended before completion: interrupted, or its server was shut down.
class QVXUTIL_API OperationInterruptedSocketIntException : public SocketIntException
{
public:
    OperationInterruptedSocketIntException(const SocketInt* socket, const std::string& sourceFile,
                                           unsigned int line);
    OperationInterruptedSocketIntException(const std::string& sourceFile, unsigned int line);
    OperationInterruptedSocketIntException(const OperationInterruptedSocketIntException& other);
    virtual ~OperationInterruptedSocketIntException();
};

#endif
