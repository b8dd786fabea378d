#include "UntrappedSocketIntException.h"

namespace {

const char* const KEY = "UNTRAPPED_SOCKET_EXCEPTION_KEY";

}  // namespace

UntrappedSocketIntException::UntrappedSocketIntException(const SocketInt* socket,
                                                         const std::string& sourceFile,
                                                         unsigned int line)
    : SocketIntException(socket, buildErrorMessage(), KEY, sourceFile, line)
{
}

UntrappedSocketIntException::UntrappedSocketIntException(const sockaddr_in& peer,
                                                         const std::string& sourceFile,
                                                         unsigned int line)
    : SocketIntException(peer, buildErrorMessage(), KEY, sourceFile, line)
{
}

UntrappedSocketIntException::UntrappedSocketIntException(const std::string& sourceFile,
                                                         unsigned int line)
    : SocketIntException(buildErrorMessage(), KEY, sourceFile, line)
{
}

UntrappedSocketIntException::UntrappedSocketIntException(const UntrappedSocketIntException& other) =
    default;

UntrappedSocketIntException::~UntrappedSocketIntException() = default;

std::string UntrappedSocketIntException::buildErrorMessage()
{
    return "An untrapped socket exception has occurred.  GetLastError() returns: '" +
           lastErrorText() + "'";
}
