#ifndef QVX_BROKEN_PIPE_SOCKET_INT_EXCEPTION_H
#define QVX_BROKEN_PIPE_SOCKET_INT_EXCEPTION_H

#include <string>

#include "SocketIntException.h"

// The peer closed or reset the stream while a connection was reading from it.
class QVXUTIL_API BrokenPipeSocketIntException : public SocketIntException
{
public:
    BrokenPipeSocketIntException(const SocketInt* socket, const std::string& sourceFile,
                                 unsigned int line);
    BrokenPipeSocketIntException(const BrokenPipeSocketIntException& other);
    virtual ~BrokenPipeSocketIntException();
};

#endif
