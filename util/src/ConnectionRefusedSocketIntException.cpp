#include "ConnectionRefusedSocketIntException.h"

namespace {

const char* const KEY = "SOCKET_CONNECTION_REFUSED_EXCEPTION_KEY";
const char* const MESSAGE = "Client connection was refused by host";

}  // namespace

ConnectionRefusedSocketIntException::ConnectionRefusedSocketIntException(
    const sockaddr_in& peer, const std::string& sourceFile, unsigned int line)
    : SocketIntException(peer, MESSAGE, KEY, sourceFile, line)
{
}

ConnectionRefusedSocketIntException::ConnectionRefusedSocketIntException(
    const ConnectionRefusedSocketIntException& other) = default;

ConnectionRefusedSocketIntException::~ConnectionRefusedSocketIntException() = default;
