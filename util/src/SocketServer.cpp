#include "SocketServer.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "HeapRelease.h"
#include "Socket.h"
#include "SocketException.h"
#include "SocketServerMessageHandler.h"
#include "StringUtil.h"
#include "kbrAssert.h"

namespace platform = qvx::platform;

namespace {

const std::uint16_t SOCKET_LIBRARY_VERSION = 0x0101;

// Buffers that grew past this are given back after a request.
const std::size_t LARGE_BUFFER = 64 * 1024;

const char* const RECEIVE_FAILED = "SocketServer failed while trying to receive data from the client, error code: ";
const char* const RECEIVE_FAILED_KEY = "SOCKECT_RECV_ERROR_KEY";
const char* const SEND_FAILED = "SocketServer failed while trying to send a message to the client, error code: ";
const char* const SEND_FAILED_KEY = "SOCKECT_SEND_ERROR_KEY";

// Codes that only a broken handle or a bad call of ours can give: no client
// can cause them, so the server cannot go on.
bool isLocalFault(int code)
{
    return code == platform::SOCKERR_EBADF || code == platform::SOCKERR_ENOTSOCK ||
           code == platform::SOCKERR_EFAULT || code == platform::SOCKERR_EINVAL;
}

// A line and the LF sent after it, as one message of line.size() + 1 bytes.
struct LineWithLineFeed
{
    const std::string& line;
    std::size_t size() const { return line.size() + 1; }
};

const char LINE_FEED = '\n';

}  // namespace

constexpr std::size_t SocketServer::DEFAULT_MAX_REQUEST_SIZE;

SocketServer::SocketServer(int portNumber, SocketServerMessageHandler& handler,
                           const std::string& responseTerminator, SocketServerModeEnum mode)
    : _portNumber(portNumber),
      _messageHandler(handler),
      _responseTerminator(responseTerminator),
      _serverSocket(platform::INVALID_SOCKET_HANDLE),
      _clientSocket(platform::INVALID_SOCKET_HANDLE),
      _connectedToClient(false),
      _serverRunning(false),
      _mode(mode),
      _socketLibraryStarted(false),
      _requestDropped(false),
      _waiting(Waiting::Nothing),
      _maxRequestSize(DEFAULT_MAX_REQUEST_SIZE),
      _idleTimeout(0),
      _receiveBuffer()
{
    KBR_ASSERT(portNumber >= 0);
    KBR_ASSERT(portNumber < 65535);

    std::uint16_t granted = 0;
    if (platform::socketLibraryStartup(SOCKET_LIBRARY_VERSION, granted) != 0)
        throw SocketException("SocketServer is using the wrong winsock version",
                              "START_UP_SOCKET_EXCEPTION_KEY");
    _socketLibraryStarted = true;
    if (granted != SOCKET_LIBRARY_VERSION)
    {
        socketCleanup();
        throw SocketException("SocketServer is using the wrong winsock version",
                              "START_UP_SOCKET_EXCEPTION_KEY");
    }

    // A throwing constructor runs no destructor: failures below release what
    // was taken before throwing.
    _serverSocket = platform::socketCreateTcp();
    if (_serverSocket == platform::INVALID_SOCKET_HANDLE)
        failAndThrow(platform::socketLastError(),
                     "SocketServer could not create socket, error code: ",
                     "SOCKET_CREATION_ERROR_KEY");
    // Without it the port of a server stopped with a client connected stays
    // unusable while that connection waits out its close. A refusal only
    // brings that wait back, so it is not a failure.
    platform::socketAllowRebindAfterClose(_serverSocket);

    const sockaddr_in address = platform::socketMakeAddress(
        platform::socketAnyAddress(), static_cast<std::uint16_t>(_portNumber));
    if (platform::socketBind(_serverSocket, address) != 0)
        failAndThrow(platform::socketLastError(),
                     "SocketServer could not bind to the socket, error code: ",
                     "SOCKET_COULD_NOT_BIND_ERROR_KEY");
    if (platform::socketListen(_serverSocket, _maxNumberOfPendingConnections) != 0)
        failAndThrow(platform::socketLastError(),
                     "SocketServer listening for a client connection failed, error code: ",
                     "SOCKET_LISTEN_ERROR_KEY");
}

SocketServer::~SocketServer()
{
    closeClientSocket();
    socketCleanup();
}

void SocketServer::killServer()
{
    _serverRunning.store(false);
    std::lock_guard<std::mutex> lock(_handleGuard);
    // The woken call returns; the loop then sees the cleared flag.
    if (_waiting == Waiting::Accept)
        platform::socketWakeAccept(_serverSocket);
    else if (_waiting == Waiting::Receive)
        platform::socketWakeReceive(_clientSocket);
}

void SocketServer::disconnectFromClient()
{
    _connectedToClient.store(false);
}

int SocketServer::getBoundPort() const
{
    std::lock_guard<std::mutex> lock(_handleGuard);
    sockaddr_in name{};
    if (_serverSocket == platform::INVALID_SOCKET_HANDLE ||
        platform::socketGetLocalName(_serverSocket, name) != 0)
        return 0;
    return platform::socketNetworkToHost16(name.sin_port);
}

void SocketServer::setMaxRequestSize(std::size_t bytes)
{
    _maxRequestSize.store(bytes);
}

std::size_t SocketServer::getMaxRequestSize() const
{
    return _maxRequestSize.load();
}

void SocketServer::setIdleTimeout(unsigned int milliseconds)
{
    _idleTimeout.store(milliseconds);
}

unsigned int SocketServer::getIdleTimeout() const
{
    return _idleTimeout.load();
}

bool SocketServer::startWaiting(Waiting what)
{
    {
        std::lock_guard<std::mutex> lock(_handleGuard);
        _waiting = what;
    }
    // A killServer() before the mark found nothing to wake, but its flag is
    // already visible here; one after it wakes the call.
    return _serverRunning.load();
}

void SocketServer::stopWaiting()
{
    std::lock_guard<std::mutex> lock(_handleGuard);
    _waiting = Waiting::Nothing;
}

void SocketServer::acceptConnections()
{
    _serverRunning.store(true);
    for (;;)
    {
        if (platform::socketListen(_serverSocket, _maxNumberOfPendingConnections) != 0)
            failAndThrow(platform::socketLastError(),
                         "SocketServer listening for a client connection failed, error code: ",
                         "SOCKET_LISTEN_ERROR_KEY");
        if (!acceptClient())
            break;

        // Every way out of the exchange, exceptions included, closes the
        // client's socket and gives large buffers back.
        struct ExchangeEnd
        {
            SocketServer& server;
            ~ExchangeEnd()
            {
                server.closeClientSocket();
                server.releaseLargeBuffers();
            }
        } exchangeEnd{*this};

        const unsigned int idleTimeout = _idleTimeout.load();
        if (idleTimeout > 0)
        {
            platform::socketSetReceiveTimeout(_clientSocket, idleTimeout);
            platform::socketSetSendTimeout(_clientSocket, idleTimeout);
        }
        // Only latency depends on it, so a refusal is not a failure.
        platform::socketSetNoDelay(_clientSocket, true);

        _requestDropped = false;
        _connectedToClient.store(true);
        while (_serverRunning.load() && _connectedToClient.load())
        {
            if (_mode == TextMode)
                serveTextRequest();
            else if (_mode == RawMode)
                serveRawRequest();
            else
                serveUnknownMode();
        }
        if (!_serverRunning.load())
            break;
    }
    socketCleanup();
}

bool SocketServer::acceptClient()
{
    for (;;)
    {
        if (!startWaiting(Waiting::Accept))
        {
            stopWaiting();
            return false;
        }
        const platform::SocketHandle accepted = platform::socketAccept(_serverSocket, nullptr);
        const int errorCode = platform::socketLastError();
        {
            std::lock_guard<std::mutex> lock(_handleGuard);
            _waiting = Waiting::Nothing;
            _clientSocket = accepted;
        }
        if (accepted != platform::INVALID_SOCKET_HANDLE)
            return true;  // one accepted after a stop is closed unserved
        if (!_serverRunning.load())
            return false;
        if (errorCode == platform::SOCKERR_EINTR || platform::socketAcceptErrorIsPerConnection(errorCode))
            continue;
        failAndThrow(errorCode, "SocketServer accepting client connection failed, error code: ",
                     "SOCKET_ACCEPT_ERROR_KEY");
    }
}

void SocketServer::dropExchange()
{
    _requestDropped = true;
    _connectedToClient.store(false);
}

int SocketServer::receiveChunk()
{
    for (;;)
    {
        if (!_serverRunning.load())
        {
            dropExchange();
            return 0;
        }
        if (!_connectedToClient.load())
            return 0;
        if (!startWaiting(Waiting::Receive))
        {
            stopWaiting();
            dropExchange();
            return 0;
        }
        const int received = platform::socketReceive(_clientSocket, _receiveBuffer, RECEIVE_BUFFER_SIZE);
        const int errorCode = received < 0 ? platform::socketLastError() : 0;
        stopWaiting();
        if (received > 0)
            return received;
        if (!_serverRunning.load())
        {
            dropExchange();  // a stop, which may have woken this receive
            return 0;
        }
        if (received == 0)
        {
            _connectedToClient.store(false);
            return 0;
        }
        if (errorCode == platform::SOCKERR_EINTR)
            continue;
        if (!_connectedToClient.load())
            return 0;
        clientSocketFailed(errorCode, RECEIVE_FAILED, RECEIVE_FAILED_KEY);
        return 0;
    }
}

void SocketServer::clientSocketFailed(int errorCode, const char* message, const char* key)
{
    if (isLocalFault(errorCode))
        failAndThrow(errorCode, message, key);
    if (errorCode == platform::SOCKERR_EWOULDBLOCK)
        dropExchange();  // the idle time-out
    else
        _connectedToClient.store(false);  // the connection failed: like a reset
}

bool SocketServer::sendToClient(const char* data, std::size_t size, const char* tail, std::size_t tailSize)
{
    while (size + tailSize > 0)
    {
        if (platform::socketSendPair(_clientSocket, data, size, tail, tailSize) < 0)
        {
            const int errorCode = platform::socketLastError();
            if (errorCode == platform::SOCKERR_EINTR)
                continue;
            clientSocketFailed(errorCode, SEND_FAILED, SEND_FAILED_KEY);
            _connectedToClient.store(false);  // nothing more can go out in order
            return false;
        }
    }
    return true;
}

void SocketServer::serveTextRequest()
{
    _requestText.clear();
    const std::size_t maxRequestSize = _maxRequestSize.load();
    for (;;)
    {
        const int received = receiveChunk();
        if (received == 0)
            break;  // the exchange ended: the text so far is the request
        const void* lineFeed = std::memchr(_receiveBuffer, '\n', static_cast<std::size_t>(received));
        // The LF and whatever follows it in this chunk are dropped.
        const std::size_t take =
            lineFeed != nullptr
                ? static_cast<std::size_t>(static_cast<const char*>(lineFeed) - _receiveBuffer)
                : static_cast<std::size_t>(received);
        if (take > maxRequestSize - _requestText.size())
        {
            dropExchange();
            break;
        }
        _requestText.append(_receiveBuffer, take);
        if (lineFeed != nullptr)
            break;
    }
    if (_requestDropped)
        return;

    const std::vector<std::string> responses = _messageHandler.processTextMessage(_requestText);

    bool clientThere = true;
    for (const std::string& line : responses)
    {
        if (!clientThere)
            break;
        const LineWithLineFeed message{line};
        KBR_ASSERT(message.size() <= INT_MAX);
        clientThere = sendToClient(line.data(), line.size(), &LINE_FEED, 1);
    }
    if (_responseTerminator.empty())
    {
        KBR_ASSERT(responses.size() == 1);
    }
    else if (clientThere)
    {
        const LineWithLineFeed message{_responseTerminator};
        KBR_ASSERT(message.size() <= INT_MAX);
        sendToClient(_responseTerminator.data(), _responseTerminator.size(), &LINE_FEED, 1);
    }
    releaseLargeBuffers();
}

void SocketServer::serveRawRequest()
{
    for (;;)
    {
        const int received = receiveChunk();
        if (received == 0)
            return;
        _rawChunk.assign(_receiveBuffer, _receiveBuffer + received);
        const std::vector<char> response = _messageHandler.processRawMessage(_rawChunk);
        if (!response.empty())
        {
            KBR_ASSERT(response.size() <= INT_MAX);
            sendToClient(response.data(), response.size(), nullptr, 0);
            return;
        }
    }
}

void SocketServer::serveUnknownMode()
{
    if (receiveChunk() > 0)
        KBR_ASSERT(false);
}

void SocketServer::releaseLargeBuffers()
{
    if (_requestText.capacity() <= LARGE_BUFFER)
        return;
    std::string().swap(_requestText);
    // The allocator would keep much of it (and of the smaller steps the
    // request grew through) for reuse.
    platform::releaseFreedHeapMemory();
}

void SocketServer::closeClientSocket()
{
    std::lock_guard<std::mutex> lock(_handleGuard);
    if (_clientSocket == platform::INVALID_SOCKET_HANDLE)
        return;
    platform::socketShutdown(_clientSocket, platform::SOCKET_SHUT_BOTH);
    platform::socketClose(_clientSocket);
    _clientSocket = platform::INVALID_SOCKET_HANDLE;
}

void SocketServer::socketCleanup()
{
    {
        std::lock_guard<std::mutex> lock(_handleGuard);
        if (_serverSocket != platform::INVALID_SOCKET_HANDLE)
        {
            platform::socketCloseListening(_serverSocket);
            _serverSocket = platform::INVALID_SOCKET_HANDLE;
        }
    }
    if (_socketLibraryStarted)
    {
        platform::socketLibraryCleanup();
        _socketLibraryStarted = false;
    }
}

void SocketServer::failAndThrow(int errorCode, const char* message, const char* key)
{
    closeClientSocket();
    socketCleanup();
    throw SocketException(message + StringUtil::intToString(errorCode), key);
}
