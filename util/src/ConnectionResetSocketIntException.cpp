#include "ConnectionResetSocketIntException.h"

namespace {

const char* const KEY = "CLIENT_CONNECTION_RESET_EXCEPTION_KEY";
const char* const MESSAGE = "socket peer reset connection";

}  // namespace

ConnectionResetSocketIntException::ConnectionResetSocketIntException(const sockaddr_in& peer,
                                                                     const std::string& sourceFile,
                                                                     unsigned int line)
    : SocketIntException(peer, MESSAGE, KEY, sourceFile, line)
{
}

ConnectionResetSocketIntException::ConnectionResetSocketIntException(const SocketInt* socket,
                                                                     const std::string& sourceFile,
                                                                     unsigned int line)
    : SocketIntException(socket, MESSAGE, KEY, sourceFile, line)
{
}

ConnectionResetSocketIntException::ConnectionResetSocketIntException(
    const ConnectionResetSocketIntException& other) = default;

ConnectionResetSocketIntException::~ConnectionResetSocketIntException() = default;
