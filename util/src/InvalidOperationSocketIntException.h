#ifndef QVX_INVALID_OPERATION_SOCKET_INT_EXCEPTION_H
#define QVX_INVALID_OPERATION_SOCKET_INT_EXCEPTION_H

#include <string>

#include "SocketIntException.h"

// An operation that needs a connection was called without one.
class QVXUTIL_API InvalidOperationSocketIntException : public SocketIntException
{
public:
    InvalidOperationSocketIntException(const std::string& sourceFile, unsigned int line);
    InvalidOperationSocketIntException(const InvalidOperationSocketIntException& other);
    virtual ~InvalidOperationSocketIntException();
};

#endif
