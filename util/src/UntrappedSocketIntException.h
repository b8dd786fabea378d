#ifndef QVX_UNTRAPPED_SOCKET_INT_EXCEPTION_H
#define QVX_UNTRAPPED_SOCKET_INT_EXCEPTION_H

#include <string>

#include "SocketIntException.h"

// A socket failure without a class of its own. The message quotes the system's
// text for the last socket error code current at construction.
class QVXUTIL_API UntrappedSocketIntException : public SocketIntException
{
public:
    UntrappedSocketIntException(const SocketInt* socket, const std::string& sourceFile,
                                unsigned int line);
    UntrappedSocketIntException(const sockaddr_in& peer, const std::string& sourceFile,
                                unsigned int line);
    UntrappedSocketIntException(const std::string& sourceFile, unsigned int line);
    UntrappedSocketIntException(const UntrappedSocketIntException& other);
    virtual ~UntrappedSocketIntException();

private:
    // Built before the base class, so it reads the error code current when the
    // exception is constructed.
    static std::string buildErrorMessage();
};

#endif
