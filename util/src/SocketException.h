#ifndef QVX_SOCKET_EXCEPTION_H
#define QVX_SOCKET_EXCEPTION_H

#include <string>

#include "QvxExport.h"
#include "XrayTesterException.h"

// A keyed socket failure without parameters: the thrower supplies the key and
// the English message (the message server and client end theirs with the
// host's error code).
class QVXUTIL_API SocketException : public XrayTesterException
{
public:
    SocketException(const std::string& message, const std::string& key);
    SocketException(const SocketException& other);
    ~SocketException() override;
};

#endif
