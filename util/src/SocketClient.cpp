#include "SocketClient.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "Socket.h"
#include "SocketException.h"
#include "StringUtil.h"
#include "kbrAssert.h"

namespace platform = qvx::platform;

namespace {

const std::uint16_t SOCKET_LIBRARY_VERSION = 0x0101;

}  // namespace

SocketClient::SocketClient(const std::string& host, int port, const std::string& responseTerminator)
    : _host(host),
      _port(port),
      _responseTerminator(responseTerminator),
      _socket(platform::INVALID_SOCKET_HANDLE),
      _serverAddress()
{
    std::uint16_t granted = 0;
    if (platform::socketLibraryStartup(SOCKET_LIBRARY_VERSION, granted) != 0)
        throw SocketException("SocketClient is using the wrong winsock version",
                              "START_UP_SOCKET_EXCEPTION_KEY");
    if (granted != SOCKET_LIBRARY_VERSION)
    {
        platform::socketLibraryCleanup();
        throw SocketException("SocketClient is using the wrong winsock version",
                              "START_UP_SOCKET_EXCEPTION_KEY");
    }

    in_addr address{};
    const int lookupError = platform::socketLookupIPv4(_host, address);
    if (lookupError != 0)
    {
        // No destructor runs after a throwing constructor.
        platform::socketLibraryCleanup();
        throw SocketException(
            "SocketClient could not get host name, error code: " + StringUtil::intToString(lookupError),
            "SOCKET_GET_HOST_BY_NAME_ERROR_KEY");
    }
    _serverAddress = platform::socketMakeAddress(address.s_addr,
                                                 static_cast<std::uint16_t>(_port & 0xFFFF));
}

SocketClient::~SocketClient()
{
    closeSocket();
    platform::socketLibraryCleanup();
}

void SocketClient::connect()
{
    closeSocket();
    _socket = platform::socketCreateTcp();
    if (_socket == platform::INVALID_SOCKET_HANDLE)
        throwWithCode(platform::socketLastError(),
                      "SocketClient could not create socket, error code: ",
                      "SOCKET_CREATION_ERROR_KEY");
    if (platform::socketConnect(_socket, _serverAddress) != 0)
    {
        const int errorCode = platform::socketLastError();
        closeSocket();
        throwWithCode(errorCode, "SocketClient could not connect to server, error code: ",
                      "SOCKET_COULD_NOT_CONNECT_ERROR_KEY");
    }
    // Only latency depends on it, so a refusal is not a failure.
    platform::socketSetNoDelay(_socket, true);
}

std::vector<std::string> SocketClient::sendMessageToServer(const std::string& message)
{
    std::string& sendMessage = _sendBuffer;
    sendMessage.assign(message);
    sendMessage.push_back('\n');
    KBR_ASSERT(sendMessage.size() <= INT_MAX);
    if (platform::socketSend(_socket, sendMessage.data(), static_cast<int>(sendMessage.size())) < 0)
        throwWithCode(platform::socketLastError(),
                      "SocketClient could not send message to server, error code: ",
                      "SOCKECT_SEND_ERROR_KEY");

    std::vector<std::string> lines;
    std::string line;
    std::size_t used = 0;
    if (!_unread.empty())
    {
        std::string held;
        held.swap(_unread);
        if (takeLines(held.data(), held.size(), used, line, lines))
        {
            _unread.assign(held, used, std::string::npos);
            return lines;
        }
    }

    char buffer[RECEIVE_BUFFER_SIZE];
    for (;;)
    {
        const int received = platform::socketReceive(_socket, buffer, RECEIVE_BUFFER_SIZE);
        if (received < 0)
            throwWithCode(platform::socketLastError(),
                          "SocketClient failed while trying to receive data from the server, "
                          "error code: ",
                          "SOCKECT_RECV_ERROR_KEY");
        if (received == 0)
            throw SocketException("SocketClient failed while trying to receive data from the "
                                  "server, the server closed the connection",
                                  "SOCKECT_RECV_ERROR_KEY");
        const std::size_t size = static_cast<std::size_t>(received);
        if (takeLines(buffer, size, used, line, lines))
        {
            _unread.assign(buffer + used, size - used);
            return lines;
        }
    }
}

bool SocketClient::takeLines(const char* data, std::size_t size, std::size_t& used,
                             std::string& line, std::vector<std::string>& lines) const
{
    std::size_t start = 0;
    while (start < size)
    {
        const void* found = std::memchr(data + start, '\n', size - start);
        if (found == nullptr)
            break;
        const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(found) - data);
        line.append(data + start, end - start);
        start = end + 1;
        if (_responseTerminator.empty())
        {
            lines.push_back(std::move(line));
            used = start;
            return true;
        }
        if (line == _responseTerminator)
        {
            used = start;
            return true;
        }
        lines.push_back(std::move(line));
        line.clear();
    }
    line.append(data + start, size - start);
    used = size;
    return false;
}

void SocketClient::disconnect(const std::string& message)
{
    try
    {
        sendMessageToServer(message);
    }
    catch (...)
    {
        closeSocket();
        throw;
    }
    closeSocket();
}

void SocketClient::closeSocket()
{
    _unread.clear();
    if (_socket == platform::INVALID_SOCKET_HANDLE)
        return;
    platform::socketShutdown(_socket, platform::SOCKET_SHUT_BOTH);
    platform::socketClose(_socket);
    _socket = platform::INVALID_SOCKET_HANDLE;
}

void SocketClient::throwWithCode(int errorCode, const char* message, const char* key)
{
    _unread.clear();
    throw SocketException(message + StringUtil::intToString(errorCode), key);
}
