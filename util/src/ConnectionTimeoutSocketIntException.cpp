#include "ConnectionTimeoutSocketIntException.h"

namespace {

const char* const KEY = "SOCKET_CONNECTION_TIMEDOUT_EXCEPTION_KEY";
const char* const MESSAGE = "Connection timeout";

}  // namespace

ConnectionTimeoutSocketIntException::ConnectionTimeoutSocketIntException(
    const std::string& sourceFile, unsigned int line)
    : SocketIntException(MESSAGE, KEY, sourceFile, line)
{
}

ConnectionTimeoutSocketIntException::ConnectionTimeoutSocketIntException(
    const ConnectionTimeoutSocketIntException& other) = default;

ConnectionTimeoutSocketIntException::~ConnectionTimeoutSocketIntException() = default;
