#include "SocketServer.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "Socket.h"
#include "SocketException.h"
#include "SocketServerMessageHandler.h"
#include "StringUtil.h"
#include "kbrAssert.h"

namespace platform = qvx::platform;

namespace {

const std::uint16_t SOCKET_LIBRARY_VERSION = 0x0101;

}  // namespace

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

    const sockaddr_in address = platform::socketMakeAddress(
        platform::socketAnyAddress(), static_cast<std::uint16_t>(_portNumber));
    if (platform::socketBind(_serverSocket, address) != 0)
        failAndThrow(platform::socketLastError(),
                     "SocketServer could not bind to the socket, error code: ",
                     "SOCKET_COULD_NOT_BIND_ERROR_KEY");
}

SocketServer::~SocketServer()
{
    closeClientSocket();
    socketCleanup();
}

void SocketServer::killServer()
{
    _serverRunning.store(false);
}

void SocketServer::disconnectFromClient()
{
    _connectedToClient.store(false);
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

        _clientSocket = platform::socketAccept(_serverSocket, nullptr);
        if (_clientSocket == platform::INVALID_SOCKET_HANDLE)
        {
            const int errorCode = platform::socketLastError();
            if (!_serverRunning.load())
            {
                socketCleanup();
                return;
            }
            failAndThrow(errorCode,
                         "SocketServer accepting client connection failed, error code: ",
                         "SOCKET_ACCEPT_ERROR_KEY");
        }
        // Only latency depends on it, so a refusal is not a failure.
        platform::socketSetNoDelay(_clientSocket, true);

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
        closeClientSocket();

        if (!_serverRunning.load())
            break;
    }
    socketCleanup();
}

int SocketServer::receiveChunk()
{
    if (!_connectedToClient.load())
        return 0;
    const int received =
        platform::socketReceive(_clientSocket, _receiveBuffer, RECEIVE_BUFFER_SIZE);
    if (received > 0)
        return received;
    if (received == 0)
    {
        _connectedToClient.store(false);
        return 0;
    }
    const int errorCode = platform::socketLastError();
    if (!_serverRunning.load() || !_connectedToClient.load())
        return 0;
    if (errorCode == platform::SOCKERR_ECONNRESET)
    {
        _connectedToClient.store(false);
        return 0;
    }
    failAndThrow(errorCode,
                 "SocketServer failed while trying to receive data from the client, error code: ",
                 "SOCKECT_RECV_ERROR_KEY");
}

bool SocketServer::sendToClient(const char* data, std::size_t size)
{
    if (platform::socketSend(_clientSocket, data, static_cast<int>(size)) >= 0)
        return true;
    const int errorCode = platform::socketLastError();
    // The client has closed or reset its end: only its exchange is over.
    if (errorCode == platform::SOCKERR_EPIPE || errorCode == platform::SOCKERR_ECONNRESET)
    {
        _connectedToClient.store(false);
        return false;
    }
    failAndThrow(errorCode,
                 "SocketServer failed while trying to send a message to the client, error code: ",
                 "SOCKECT_SEND_ERROR_KEY");
}

void SocketServer::serveTextRequest()
{
    _requestText.clear();
    for (;;)
    {
        const int received = receiveChunk();
        if (received == 0)
            break;  // the exchange ended: the text so far is the request
        const void* lineFeed = std::memchr(_receiveBuffer, '\n', static_cast<std::size_t>(received));
        if (lineFeed != nullptr)
        {
            // The LF and whatever follows it in this chunk are dropped.
            _requestText.append(_receiveBuffer,
                                static_cast<std::size_t>(static_cast<const char*>(lineFeed) - _receiveBuffer));
            break;
        }
        _requestText.append(_receiveBuffer, static_cast<std::size_t>(received));
    }

    const std::vector<std::string> responses = _messageHandler.processTextMessage(_requestText);

    bool clientThere = true;
    std::string& message = _sendBuffer;
    for (const std::string& line : responses)
    {
        if (!clientThere)
            break;
        message.assign(line);
        message.push_back('\n');
        KBR_ASSERT(message.size() <= INT_MAX);
        clientThere = sendToClient(message.data(), message.size());
    }
    if (_responseTerminator.empty())
    {
        KBR_ASSERT(responses.size() == 1);
    }
    else if (clientThere)
    {
        message.assign(_responseTerminator);
        message.push_back('\n');
        KBR_ASSERT(message.size() <= INT_MAX);
        sendToClient(message.data(), message.size());
    }
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
            sendToClient(response.data(), response.size());
            return;
        }
    }
}

void SocketServer::serveUnknownMode()
{
    if (receiveChunk() > 0)
        KBR_ASSERT(false);
}

void SocketServer::closeClientSocket()
{
    if (_clientSocket == platform::INVALID_SOCKET_HANDLE)
        return;
    platform::socketShutdown(_clientSocket, platform::SOCKET_SHUT_BOTH);
    platform::socketClose(_clientSocket);
    _clientSocket = platform::INVALID_SOCKET_HANDLE;
}

void SocketServer::socketCleanup()
{
    if (_serverSocket != platform::INVALID_SOCKET_HANDLE)
    {
        platform::socketCloseListening(_serverSocket);
        _serverSocket = platform::INVALID_SOCKET_HANDLE;
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
