#include "TcpipClient.h"

#include <cstdint>

#include "ConnectionRefusedSocketIntException.h"
#include "NetworkDownSocketIntException.h"
#include "Socket.h"
#include "TcpipConnection.h"
#include "UntrappedSocketIntException.h"
#include "WSAStartUpSocketIntException.h"
#include "Winsock2NotSupportedSocketIntException.h"
#include "kbrAssert.h"

namespace platform = qvx::platform;

namespace {

const std::uint16_t REQUESTED_VERSION = 0x0202;

// Closes a socket that will not be used, keeping the error code of the failure
// that is about to be reported.
void discardSocket(platform::SocketHandle handle)
{
    if (handle == platform::INVALID_SOCKET_HANDLE)
        return;
    const int savedError = platform::socketLastError();
    platform::socketClose(handle);
    platform::setSocketLastError(savedError);
}

}  // namespace

TcpipClient::TcpipClient(const std::string& host, unsigned short port, const std::string& localHost)
    : _currentState(SocketInt::Closed), _saSock(), _saLocal()
{
    std::uint16_t grantedVersion = 0;
    if (platform::socketLibraryStartup(REQUESTED_VERSION, grantedVersion) != 0)
        throw WSAStartUpSocketIntException(__FILE__, __LINE__);
    if (grantedVersion != REQUESTED_VERSION)
    {
        platform::socketLibraryCleanup();
        throw Winsock2NotSupportedSocketIntException(__FILE__, __LINE__);
    }
    _currentState = SocketInt::Closed;
    _saSock = platform::socketMakeAddress(0, 0);
    _saLocal = platform::socketMakeAddress(platform::socketAnyAddress(), 0);
    setHost(host);
    setLocalHost(localHost);
    setPort(port);
}

void TcpipClient::setHost(const std::string& hostname)
{
    KBR_ASSERT(hostname.size() > 0);
    in_addr address{};
    if (platform::socketLookupIPv4(hostname, address) != 0)
    {
        _currentState = SocketInt::Unavailable;
        return;
    }
    _saSock.sin_addr = address;
}

void TcpipClient::setLocalHost(const std::string& host)
{
    if (host.empty())
    {
        _saLocal.sin_addr.s_addr = platform::socketAnyAddress();
    }
    else
    {
        in_addr address{};
        if (platform::socketLookupIPv4(host, address) == 0)
            _saLocal.sin_addr = address;
        else
            _currentState = SocketInt::Unavailable;
    }
    _saLocal = platform::socketMakeAddress(_saLocal.sin_addr.s_addr, 0);
}

void TcpipClient::setPort(int p)
{
    KBR_ASSERT(p >= 0);
    _saSock.sin_port = platform::socketHostToNetwork16(
        static_cast<std::uint16_t>(static_cast<unsigned int>(p) & 0xFFFFu));
}

int TcpipClient::getPort()
{
    return platform::socketNetworkToHost16(_saSock.sin_port);
}

std::string TcpipClient::getHost()
{
    if (_saSock.sin_addr.s_addr == 0)
        return std::string();
    return platform::socketDottedAddress(_saSock.sin_addr);
}

std::string TcpipClient::getLocalHost()
{
    if (_saLocal.sin_addr.s_addr == 0)
        return std::string();
    return platform::socketDottedAddress(_saLocal.sin_addr);
}

SocketInt::State TcpipClient::getSocketState()
{
    return _currentState;
}

TcpipConnection* TcpipClient::connect()
{
    if (!_saSock.sin_addr.s_addr || !_saSock.sin_port ||
        _currentState == SocketInt::Established)
    {
        KBR_ASSERT(_saSock.sin_addr.s_addr);
        KBR_ASSERT(_saSock.sin_port);
        KBR_ASSERT(_currentState != SocketInt::Established);
        return nullptr;
    }

    const platform::SocketHandle connectHandle =
        platform::socketNonZeroHandle(platform::socketCreateTcp());

    int retCode = platform::socketSetExclusiveAddressUse(connectHandle, true);
    if (retCode != 0)
    {
        discardSocket(connectHandle);
        KBR_ASSERT(retCode == 0);
        return nullptr;
    }
    if (_saLocal.sin_addr.s_addr != platform::socketAnyAddress())
    {
        retCode = platform::socketBind(connectHandle, _saLocal);
        if (retCode != 0)
        {
            discardSocket(connectHandle);
            KBR_ASSERT(retCode == 0);
            return nullptr;
        }
    }

    _currentState = SocketInt::Connecting;
    if (!(connectHandle > 0))
    {
        discardSocket(connectHandle);
        KBR_ASSERT(connectHandle > 0);
        return nullptr;
    }

    if (platform::socketConnect(connectHandle, _saSock) == 0)
    {
        _currentState = SocketInt::Established;
        TcpipConnection* connection = new TcpipConnection(static_cast<unsigned int>(connectHandle));
        _currentState = SocketInt::HandedOff;
        return connection;
    }

    const int code = platform::socketLastError();
    if (code == platform::SOCKERR_ENETDOWN)
    {
        discardSocket(connectHandle);
        _currentState = SocketInt::Unavailable;
        throw NetworkDownSocketIntException(__FILE__, __LINE__);
    }
    if (code == platform::SOCKERR_ECONNREFUSED)
    {
        discardSocket(connectHandle);
        _currentState = SocketInt::Refused;
        throw ConnectionRefusedSocketIntException(_saSock, __FILE__, __LINE__);
    }
    _currentState = SocketInt::Error;
    discardSocket(connectHandle);
    throw UntrappedSocketIntException(_saSock, __FILE__, __LINE__);
}
