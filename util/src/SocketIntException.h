#ifndef QVX_SOCKET_INT_EXCEPTION_H
#define QVX_SOCKET_INT_EXCEPTION_H

#include <list>
#include <string>

#include "HostSocketAddress.h"
#include "XrayTesterException.h"

class SocketInt;

// Base of the TCP classes' socket failures. Subclasses fix key and message;
// this class builds the parameters from the endpoints and the throw's source
// position:
//   socket form      local address, remote address, file, line
//   null socket      local host address, "0.0.0.0", file, line
//   peer form        local host address, dotted peer (no port), file, line
//   no endpoint      local host address, file, line
//
// The local host address is the first IPv4 address that the resolver gives for
// the machine's own name (gethostname into 128 bytes, then the same lookup the
// client uses for host names; /etc/hosts answers it without a network). When the
// name or its lookup fails the text is "???.???.???.???", the connection's text
// for an address that cannot be obtained. It is looked up anew for every
// exception, so a changed address shows up; the socket library's last error
// code is left as it was, so a later reading of it still sees the failure.
class QVXUTIL_API SocketIntException : public XrayTesterException
{
public:
    SocketIntException(const SocketIntException& other);
    virtual ~SocketIntException();

protected:
    SocketIntException(const SocketInt* socket, const std::string& message, const std::string& key,
                       const std::string& sourceFile, unsigned int line);
    SocketIntException(const sockaddr_in& peer, const std::string& message, const std::string& key,
                       const std::string& sourceFile, unsigned int line);
    SocketIntException(const std::string& message, const std::string& key,
                       const std::string& sourceFile, unsigned int line);

    // The system's text for the calling thread's last socket error code, without
    // a trailing line end; "Unknown error 0x%0lX" of the code when there is none.
    static std::string lastErrorText();

private:
    static std::list<std::string> buildParameters(const SocketInt* socket,
                                                  const std::string& sourceFile, unsigned int line);
    static std::list<std::string> buildParameters(const sockaddr_in& peer,
                                                  const std::string& sourceFile, unsigned int line);
    static std::list<std::string> buildParameters(const std::string& sourceFile, unsigned int line);

    // Not used by any constructor; kept for subclasses' diagnostics.
    std::string buildWinsockError();
};

#endif
