#include "SocketClient.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "Socket.h"
#include "SocketException.h"
#include "StringUtil.h"
#include "kbrAssert.h"

namespace platform = qvx::platform;

namespace {

const std::uint16_t SOCKET_LIBRARY_VERSION = 0x0101;

const char* const RECEIVE_FAILED = "SocketClient failed while trying to receive data from the server, error code: ";
const char* const RECEIVE_FAILED_KEY = "SOCKECT_RECV_ERROR_KEY";

const char LINE_FEED = '\n';

// A request and the LF sent after it, as one message of text.size() + 1 bytes.
struct RequestWithLineFeed
{
    const std::string& text;
    std::size_t size() const { return text.size() + 1; }
};

}  // namespace

constexpr std::size_t SocketClient::DEFAULT_MAX_RESPONSE_SIZE;

SocketClient::SocketClient(const std::string& host, int port, const std::string& responseTerminator)
    : _host(host),
      _port(port),
      _responseTerminator(responseTerminator),
      _socket(platform::INVALID_SOCKET_HANDLE),
      _serverAddress(),
      _receiveTimeout(0),
      _maxResponseSize(DEFAULT_MAX_RESPONSE_SIZE),
      _sendLimitOnSocket(false)
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

void SocketClient::setReceiveTimeout(unsigned int milliseconds)
{
    _receiveTimeout = milliseconds;
}

unsigned int SocketClient::getReceiveTimeout() const
{
    return _receiveTimeout;
}

void SocketClient::setMaxResponseSize(std::size_t bytes)
{
    _maxResponseSize = bytes;
}

std::size_t SocketClient::getMaxResponseSize() const
{
    return _maxResponseSize;
}

std::vector<std::string> SocketClient::sendMessageToServer(const std::string& message)
{
    if (_receiveTimeout > 0)
        _deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(_receiveTimeout);
    // The request and its LF go out together without being joined in memory.
    const RequestWithLineFeed sendMessage{message};
    KBR_ASSERT(sendMessage.size() <= INT_MAX);
    sendRequest(message);

    std::vector<std::string> lines;
    std::string line;
    std::size_t used = 0;
    // Bytes of this response taken so far, the marker line included.
    std::size_t responseBytes = 0;
    if (!_unread.empty())
    {
        std::string held;
        held.swap(_unread);
        const bool complete = takeLines(held.data(), held.size(), used, line, lines);
        responseBytes = used;
        checkResponseSize(responseBytes, complete);
        if (complete)
        {
            _unread.assign(held, used, std::string::npos);
            return lines;
        }
    }

    char buffer[RECEIVE_BUFFER_SIZE];
    for (;;)
    {
        if (!waitForResponseBytes())
            throwTimedOut();
        const int received = platform::socketReceive(_socket, buffer, RECEIVE_BUFFER_SIZE);
        if (received < 0)
        {
            const int errorCode = platform::socketLastError();
            if (errorCode == platform::SOCKERR_EINTR)
                continue;
            throwWithCode(errorCode, RECEIVE_FAILED, RECEIVE_FAILED_KEY);
        }
        if (received == 0)
            throw SocketException("SocketClient failed while trying to receive data from the "
                                  "server, the server closed the connection",
                                  RECEIVE_FAILED_KEY);
        const std::size_t size = static_cast<std::size_t>(received);
        const bool complete = takeLines(buffer, size, used, line, lines);
        responseBytes += used;
        checkResponseSize(responseBytes, complete);
        if (complete)
        {
            _unread.assign(buffer + used, size - used);
            return lines;
        }
    }
}

void SocketClient::sendRequest(const std::string& request)
{
    const char* data = request.data();
    std::size_t left = request.size();
    const char* tail = &LINE_FEED;
    std::size_t tailLeft = 1;
    while (left + tailLeft > 0)
    {
        if (_receiveTimeout > 0 || _sendLimitOnSocket)
        {
            const unsigned int limit = _receiveTimeout > 0 ? timeLeft() : 0;
            if (_receiveTimeout > 0 && limit == 0)
                throwTimedOut();
            platform::socketSetSendTimeout(_socket, limit);
            _sendLimitOnSocket = limit > 0;
        }
        if (platform::socketSendPair(_socket, data, left, tail, tailLeft) < 0)
        {
            const int errorCode = platform::socketLastError();
            if (errorCode == platform::SOCKERR_EINTR)
                continue;
            if (errorCode == platform::SOCKERR_EWOULDBLOCK && _receiveTimeout > 0)
                throwTimedOut();
            throwWithCode(errorCode, "SocketClient could not send message to server, error code: ",
                          "SOCKECT_SEND_ERROR_KEY");
        }
    }
}

bool SocketClient::waitForResponseBytes()
{
    if (_receiveTimeout == 0)
        return true;  // the receive itself waits
    for (;;)
    {
        const unsigned int left = timeLeft();
        if (left == 0)
            return false;
        const int ready = platform::socketWaitReadable(_socket, static_cast<long>(left / 1000),
                                                       static_cast<long>(left % 1000) * 1000);
        if (ready > 0)
            return true;
        if (ready < 0)
        {
            const int errorCode = platform::socketLastError();
            if (errorCode != platform::SOCKERR_EINTR)
                throwWithCode(errorCode, RECEIVE_FAILED, RECEIVE_FAILED_KEY);
        }
    }
}

unsigned int SocketClient::timeLeft() const
{
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(_deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0)
        return 0;
    return static_cast<unsigned int>(left);
}

void SocketClient::checkResponseSize(std::size_t takenBytes, bool complete)
{
    const std::size_t markerBytes = complete && !_responseTerminator.empty() ? _responseTerminator.size() + 1 : 0;
    if (takenBytes - markerBytes <= _maxResponseSize)
        return;
    closeSocket();
    throw SocketException("SocketClient received a response larger than the maximum response size, "
                          "maximum in bytes: " +
                              std::to_string(_maxResponseSize),
                          "SOCKET_RESPONSE_TOO_LARGE_KEY");
}

void SocketClient::throwTimedOut()
{
    closeSocket();
    throw SocketException("SocketClient timed out waiting for the response of the server, time-out in "
                          "milliseconds: " +
                              std::to_string(_receiveTimeout),
                          "SOCKET_RESPONSE_TIMEOUT_KEY");
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
    _sendLimitOnSocket = false;
}

void SocketClient::throwWithCode(int errorCode, const char* message, const char* key)
{
    _unread.clear();
    throw SocketException(message + StringUtil::intToString(errorCode), key);
}
