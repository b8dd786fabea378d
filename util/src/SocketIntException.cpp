#include "SocketIntException.h"

#include <cstdio>

#include "Socket.h"
#include "SocketInt.h"

namespace {

const char* const UNKNOWN_ADDRESS = "???.???.???.???";
const std::size_t HOST_NAME_BUFFER_SIZE = 128;

std::string localHostAddress()
{
    namespace platform = qvx::platform;
    const int savedError = platform::socketLastError();
    std::string text = UNKNOWN_ADDRESS;
    const std::string name = platform::socketHostName(HOST_NAME_BUFFER_SIZE);
    in_addr address{};
    if (!name.empty() && platform::socketLookupIPv4(name, address) == 0)
    {
        const std::string dotted = platform::socketDottedAddress(address);
        if (!dotted.empty())
            text = dotted;
    }
    platform::setSocketLastError(savedError);
    return text;
}

}  // namespace

SocketIntException::SocketIntException(const SocketInt* socket, const std::string& message,
                                       const std::string& key, const std::string& sourceFile,
                                       unsigned int line)
    : XrayTesterException(message, key, buildParameters(socket, sourceFile, line))
{
}

SocketIntException::SocketIntException(const sockaddr_in& peer, const std::string& message,
                                       const std::string& key, const std::string& sourceFile,
                                       unsigned int line)
    : XrayTesterException(message, key, buildParameters(peer, sourceFile, line))
{
}

SocketIntException::SocketIntException(const std::string& message, const std::string& key,
                                       const std::string& sourceFile, unsigned int line)
    : XrayTesterException(message, key, buildParameters(sourceFile, line))
{
}

SocketIntException::SocketIntException(const SocketIntException& other) = default;

SocketIntException::~SocketIntException() = default;

std::list<std::string> SocketIntException::buildParameters(const SocketInt* socket,
                                                           const std::string& sourceFile,
                                                           unsigned int line)
{
    std::list<std::string> parameters;
    if (socket != nullptr)
    {
        parameters.push_back(socket->getLocalHostIp());
        parameters.push_back(socket->getRemoteHostIp());
    }
    else
    {
        parameters.push_back(localHostAddress());
        parameters.push_back("0.0.0.0");
    }
    parameters.push_back(sourceFile);
    parameters.push_back(std::to_string(line));
    return parameters;
}

std::list<std::string> SocketIntException::buildParameters(const sockaddr_in& peer,
                                                           const std::string& sourceFile,
                                                           unsigned int line)
{
    std::list<std::string> parameters;
    parameters.push_back(localHostAddress());
    parameters.push_back(qvx::platform::socketDottedAddress(peer.sin_addr));
    parameters.push_back(sourceFile);
    parameters.push_back(std::to_string(line));
    return parameters;
}

std::list<std::string> SocketIntException::buildParameters(const std::string& sourceFile,
                                                           unsigned int line)
{
    std::list<std::string> parameters;
    parameters.push_back(localHostAddress());
    parameters.push_back(sourceFile);
    parameters.push_back(std::to_string(line));
    return parameters;
}

std::string SocketIntException::lastErrorText()
{
    const int code = qvx::platform::socketLastError();
    std::string text;
    if (!qvx::platform::socketSystemErrorText(code, text))
    {
        char buffer[32];
        std::snprintf(buffer, sizeof(buffer), "Unknown error 0x%0lX",
                      static_cast<unsigned long>(static_cast<unsigned int>(code)));
        return buffer;
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

std::string SocketIntException::buildWinsockError()
{
    return lastErrorText();
}
