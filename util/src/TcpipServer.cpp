#include "TcpipServer.h"

#include "ConnectionResetSocketIntException.h"
#include "InvalidOperationSocketIntException.h"
#include "NetworkDownSocketIntException.h"
#include "OperationInterruptedSocketIntException.h"
#include "TcpipConnection.h"
#include "UntrappedSocketIntException.h"
#include "kbrAssert.h"

namespace platform = qvx::platform;

namespace {

const std::uint16_t REQUESTED_VERSION = 0x0202;
const int DEFAULT_MAX_CONN = 1000;

}  // namespace

TcpipServer::TcpipServer(int port)
    : _pCurrentConnection(nullptr),
      _boundPort(0),
      _listenAddress(),
      _maxConn(0),
      _listenHandle(0),
      _currentState(SocketInt::Closed),
      _shutdownRequested(false),
      _acceptInProgress(false),
      _closeAfterAccept(false)
{
    init();
    setPort(port);
}

TcpipServer::~TcpipServer() = default;

void TcpipServer::init()
{
    std::uint16_t grantedVersion = 0;
    const int WSAStartUpSuccessful = platform::socketLibraryStartup(REQUESTED_VERSION, grantedVersion);
    KBR_ASSERT(WSAStartUpSuccessful == 0);
    if ((grantedVersion & 0xFF) != 2 && (grantedVersion >> 8) != 2)
        showKbrAssert("(LOBYTE(wsaData.wVersion) == 2) || (HIBYTE(wsaData.wVersion) == 2)",
                      __FILE__, __LINE__);
    _listenAddress = platform::socketMakeAddress(platform::socketAnyAddress(), 0);
    _currentState = SocketInt::Closed;
    _maxConn = DEFAULT_MAX_CONN;
}

bool TcpipServer::listen()
{
    const std::uint16_t port = _listenAddress.sin_port;  // network order
    _listenAddress =
        platform::socketMakeAddress(platform::socketAnyAddress(), platform::socketNetworkToHost16(port));
    KBR_ASSERT(_currentState == SocketInt::Closed);

    // A listen() that goes on after that check (nop mode) replaces the socket.
    closeListenHandle();
    _shutdownRequested = false;
    _listenHandle = platform::socketNonZeroHandle(platform::socketCreateTcp());
    KBR_ASSERT(_listenHandle > 0);

    const platform::SocketHandle handle = _listenHandle;
    int retcode = platform::socketBind(handle, _listenAddress);
    if (retcode == -1)
        showKbrAssert("retcode != SOCKET_ERROR", __FILE__, __LINE__);

    sockaddr_in name{};
    retcode = platform::socketGetLocalName(handle, name);
    if (retcode == -1)
        showKbrAssert("retcode != SOCKET_ERROR", __FILE__, __LINE__);
    // The layer answers only whole IPv4 names (16 bytes), and nothing on failure.
    const std::size_t namelen = retcode == 0 ? sizeof(name) : 0;
    KBR_ASSERT(namelen == sizeof(name));
    KBR_ASSERT(name.sin_port);
    KBR_ASSERT((! port) || (port == name.sin_port));
    _boundPort = platform::socketNetworkToHost16(name.sin_port);

    retcode = platform::socketListen(handle, _maxConn);
    if (retcode == -1)
        showKbrAssert("retcode != SOCKET_ERROR", __FILE__, __LINE__);

    _currentState = SocketInt::Listening;
    return true;
}

void TcpipServer::accept()
{
    if (_pCurrentConnection)
    {
        KBR_ASSERT(! _pCurrentConnection);
        return;
    }
    const SocketInt::State stateBeforeAccept = _currentState;
    platform::SocketHandle listening = 0;
    {
        boost::mutex::scoped_lock lock(_mutex);
        listening = _listenHandle;
        _acceptInProgress = listening != 0;
    }
    platform::SocketHandle connection = platform::INVALID_SOCKET_HANDLE;
    if (listening != 0)
    {
        connection = platform::socketAccept(listening, nullptr);
        const int code = platform::socketLastError();
        boost::mutex::scoped_lock lock(_mutex);
        _acceptInProgress = false;
        if (_closeAfterAccept)
        {
            _closeAfterAccept = false;
            platform::socketCloseListening(listening);
        }
        platform::setSocketLastError(code);
    }
    else
    {
        platform::setSocketLastError(platform::SOCKERR_EBADF);
    }
    if (connection != platform::INVALID_SOCKET_HANDLE)
        connection = platform::socketNonZeroHandle(connection);
    if (connection != platform::INVALID_SOCKET_HANDLE)
    {
        // A shutdown() that came while the host accepted counts as coming
        // after this accept: the connection is held, the state stays Closed.
        SocketInt::State before = stateBeforeAccept;
        _currentState.compare_exchange_strong(before, SocketInt::Established);
        _pCurrentConnection = new TcpipConnection(static_cast<unsigned int>(connection));
        return;
    }

    const int code = platform::socketLastError();
    if (isShutdown() || _shutdownRequested)
        throw OperationInterruptedSocketIntException(__FILE__, __LINE__);

    if (code == platform::SOCKERR_EINTR)
        throw OperationInterruptedSocketIntException(__FILE__, __LINE__);
    if (code == platform::SOCKERR_EINVAL)
    {
        closeListenHandle();
        _currentState = SocketInt::Unavailable;
        if (platform::SOCKERR_EINVAL == platform::socketLastError())
            showKbrAssert("! (WSAEINVAL == WSAGetLastError())", __FILE__, __LINE__);
        return;
    }
    if (code == platform::SOCKERR_ENETDOWN)
    {
        closeListenHandle();
        _currentState = SocketInt::Unavailable;
        throw NetworkDownSocketIntException(__FILE__, __LINE__);
    }
    if (code == platform::SOCKERR_ECONNRESET || code == platform::SOCKERR_ECONNABORTED)
    {
        _currentState = SocketInt::Listening;
        throw ConnectionResetSocketIntException(_listenAddress, __FILE__, __LINE__);
    }
    _currentState = SocketInt::Error;
    closeListenHandle();
    platform::setSocketLastError(code);
    throw UntrappedSocketIntException(__FILE__, __LINE__);
}

void TcpipServer::closeListenHandle()
{
    const platform::SocketHandle handle = _listenHandle.exchange(0);
    if (handle != 0)
    {
        const int savedError = platform::socketLastError();
        platform::socketCloseListening(handle);
        platform::setSocketLastError(savedError);
    }
}

TcpipConnection* TcpipServer::getConnection()
{
    TcpipConnection* connection = _pCurrentConnection;
    _pCurrentConnection = nullptr;
    return connection;
}

void TcpipServer::releaseConnection(TcpipConnection* connection)
{
    _currentState = SocketInt::Listening;
    delete connection;
}

int TcpipServer::send(const void* data, unsigned int size)
{
    if (!_pCurrentConnection)
        throw InvalidOperationSocketIntException(__FILE__, __LINE__);
    return _pCurrentConnection->writeBuffer(data, size);
}

int TcpipServer::receive(void* data, unsigned int size)
{
    if (!_pCurrentConnection)
        throw InvalidOperationSocketIntException(__FILE__, __LINE__);
    return _pCurrentConnection->readBuffer(data, size);
}

void TcpipServer::shutdown()
{
    boost::mutex::scoped_lock lock(_mutex);
    _currentState = SocketInt::Closed;
    _shutdownRequested = true;
    const platform::SocketHandle handle = _listenHandle.exchange(0);
    if (handle == 0)
        return;
    if (_acceptInProgress)
    {
        // Wakes the accept, which closes the socket once the host call returns.
        platform::socketWakeAccept(handle);
        _closeAfterAccept = true;
    }
    else
    {
        platform::socketCloseListening(handle);
    }
}

bool TcpipServer::isShutdown()
{
    boost::mutex::scoped_lock lock(_mutex);
    return _currentState == SocketInt::Closed;
}

void TcpipServer::setMaxConn(int c)
{
    KBR_ASSERT(c> 0);
    _maxConn = c;
}

int TcpipServer::getMaxConn() const
{
    return _maxConn;
}

void TcpipServer::setPort(int p)
{
    KBR_ASSERT(p >= 0);
    _listenAddress.sin_port =
        platform::socketHostToNetwork16(static_cast<std::uint16_t>(static_cast<unsigned int>(p) & 0xFFFFu));
}

int TcpipServer::getPort() const
{
    return platform::socketNetworkToHost16(_listenAddress.sin_port);
}

int TcpipServer::getBoundPort() const
{
    return _boundPort;
}

SocketInt::State TcpipServer::getSocketState() const
{
    return _currentState;
}
