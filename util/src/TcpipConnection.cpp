#include "TcpipConnection.h"

#include <climits>

#include <boost/thread/xtime.hpp>

#include "BrokenPipeSocketIntException.h"
#include "Socket.h"
#include "Thread.h"
#include "UntrappedSocketIntException.h"
#include "kbrAssert.h"

namespace platform = qvx::platform;

namespace {

const char* const UNKNOWN_ADDRESS = "???.???.???.???";

platform::SocketHandle hostHandle(unsigned int handle)
{
    return static_cast<platform::SocketHandle>(handle);
}

// What a call on a missing handle reports.
int failOnMissingHandle()
{
    platform::setSocketLastError(platform::SOCKERR_EBADF);
    return -1;
}

}  // namespace

TcpipConnection::TcpipConnection(unsigned int socketHandle)
    : _socketHandle(socketHandle), _currentState(SocketInt::Established)
{
}

TcpipConnection::~TcpipConnection()
{
    // In exception or JNI mode a failed check throws; out of a destructor that
    // would end the process, so a failure here is dropped (the socket is already
    // closed by then, see close()).
    try
    {
        close();
    }
    catch (...)
    {
    }
}

SocketInt* TcpipConnection::getSocketInt()
{
    return _currentState == SocketInt::Established ? this : nullptr;
}

SocketInt::State TcpipConnection::getSocketState()
{
    return _currentState;
}

SocketInt::Status TcpipConnection::getStatus()
{
    return _currentState == SocketInt::Established ? SocketInt::Good : SocketInt::Bad;
}

void TcpipConnection::close()
{
    if (_socketHandle == 0)
        return;
    const platform::SocketHandle handle = hostHandle(_socketHandle);
    int shutdownResult = platform::socketShutdown(handle, platform::SOCKET_SHUT_BOTH);
    if (shutdownResult != 0 && platform::socketLastError() == platform::SOCKERR_ENOTCONN)
        shutdownResult = 0;
    const int closeResult = platform::socketClose(handle);
    _socketHandle = 0;
    _currentState = SocketInt::Closed;

    int retCode = shutdownResult;
    KBR_ASSERT(retCode == 0);
    retCode = closeResult;
    KBR_ASSERT(retCode == 0);
}

void TcpipConnection::closeConnection()
{
    close();
}

void TcpipConnection::readPendingError()
{
    if (_socketHandle == 0)
        return;
    const int savedError = platform::socketLastError();
    int pending = 0;
    if (platform::socketGetPendingError(hostHandle(_socketHandle), pending) == 0)
        _socketError = pending;
    platform::setSocketLastError(savedError);
}

void TcpipConnection::setSocketState(int errorCode)
{
    if (errorCode != 0)
        readPendingError();

    switch (_currentState)
    {
    case SocketInt::Invalid:
    case SocketInt::Closed:
        _currentState = SocketInt::Invalid;
        break;
    case SocketInt::Established:
        if (errorCode == platform::SOCKERR_EIO || errorCode == platform::SOCKERR_ENXIO ||
            errorCode == platform::SOCKERR_EBADF || errorCode == platform::SOCKERR_EINVAL)
            _currentState = SocketInt::Invalid;
        else if (errorCode == platform::SOCKERR_EACCES || errorCode == platform::SOCKERR_EFBIG)
            _currentState = SocketInt::Error;
        else if (errorCode == platform::SOCKERR_EPIPE || errorCode == platform::SOCKERR_ECONNRESET)
            _currentState = SocketInt::Disconnected;
        else if (errorCode == platform::SOCKERR_ETIMEDOUT)
            _currentState = SocketInt::TimedOut;
        break;
    case SocketInt::Disconnected:
        if (errorCode == platform::SOCKERR_EBADF)
            _currentState = SocketInt::Error;
        break;
    case SocketInt::TimedOut:
    case SocketInt::Error:
        _currentState = SocketInt::Error;
        break;
    default:
        break;
    }
}

void TcpipConnection::setSocketStateAfterZeroBytes()
{
    readPendingError();
    switch (_currentState)
    {
    case SocketInt::Invalid:
    case SocketInt::Closed:
        _currentState = SocketInt::Invalid;
        break;
    case SocketInt::Established:
        _currentState = SocketInt::Disconnected;
        break;
    case SocketInt::TimedOut:
    case SocketInt::Error:
        _currentState = SocketInt::Error;
        break;
    default:
        break;
    }
}

int TcpipConnection::readBuffer(char** cursor, int* remaining)
{
    const int count = _socketHandle != 0
                          ? platform::socketReceive(hostHandle(_socketHandle), *cursor, *remaining)
                          : failOnMissingHandle();
    if (count > 0)
    {
        *remaining -= count;
        *cursor += count;
        return count;
    }
    if (count == 0)
    {
        setSocketStateAfterZeroBytes();
        throw BrokenPipeSocketIntException(this, __FILE__, __LINE__);
    }
    const int code = platform::socketLastError();
    _systemError = code;
    setSocketState(code);
    if (_currentState == SocketInt::Disconnected)
        throw BrokenPipeSocketIntException(this, __FILE__, __LINE__);
    platform::setSocketLastError(code);
    throw UntrappedSocketIntException(this, __FILE__, __LINE__);
}

int TcpipConnection::readBuffer(void* dataBuffer, unsigned int size)
{
    if (!dataBuffer)
    {
        KBR_ASSERT(dataBuffer);
        return 0;
    }
    if (size == 0 || size > static_cast<unsigned int>(INT_MAX))
        return 0;
    char* cursor = static_cast<char*>(dataBuffer);
    int remaining = static_cast<int>(size);
    int total = 0;
    while (remaining > 0)
        total += readBuffer(&cursor, &remaining);
    return total;
}

int TcpipConnection::readBuffer(void* data, unsigned int size, unsigned int timeout, bool& timedOut)
{
    if (!data)
    {
        KBR_ASSERT(data);
        return 0;
    }
    const long seconds = static_cast<long>(timeout / 1000);
    const long microseconds = static_cast<long>((timeout % 1000) * 1000);
    long waitSeconds = seconds;
    long waitMicroseconds = microseconds;
    const boost::xtime deadline = Thread::timeFromNow(static_cast<double>(seconds));

    if (size == 0 || size > static_cast<unsigned int>(INT_MAX))
        return 0;

    char* cursor = static_cast<char*>(data);
    int remaining = static_cast<int>(size);
    int total = 0;
    while (remaining > 0)
    {
        const int ready =
            _socketHandle != 0
                ? platform::socketWaitReadable(hostHandle(_socketHandle), waitSeconds,
                                               waitMicroseconds)
                : failOnMissingHandle();
        if (ready > 0)
        {
            total += readBuffer(&cursor, &remaining);
            timedOut = false;
            boost::xtime now;
            boost::xtime_get(&now, boost::TIME_UTC_);
            if (boost::xtime_cmp(deadline, now) > 0)
            {
                waitSeconds = seconds;
                waitMicroseconds = microseconds;
            }
            else
            {
                waitSeconds = 0;
                waitMicroseconds = 0;
            }
        }
        else if (ready == 0)
        {
            timedOut = true;
            return total;
        }
        else
        {
            throw UntrappedSocketIntException(__FILE__, __LINE__);
        }
    }
    return total;
}

int TcpipConnection::writeBuffer(const void* data, unsigned int bufferSize)
{
    if (!data || !bufferSize)
    {
        KBR_ASSERT(data);
        KBR_ASSERT(bufferSize);
        return 0;
    }
    const int size = bufferSize > static_cast<unsigned int>(INT_MAX) ? INT_MAX
                                                                      : static_cast<int>(bufferSize);
    const int sent = _socketHandle != 0
                         ? platform::socketSend(hostHandle(_socketHandle), data, size)
                         : failOnMissingHandle();
    if (sent < 0)
    {
        const int code = platform::socketLastError();
        _systemError = code;
        setSocketState(code);
        return -1;
    }
    if (sent == 0)
        setSocketStateAfterZeroBytes();
    return sent;
}

std::string TcpipConnection::getLocalHostIp() const
{
    sockaddr_in name{};
    if (_socketHandle == 0 || platform::socketGetLocalName(hostHandle(_socketHandle), name) != 0)
        return UNKNOWN_ADDRESS;
    return platform::socketDottedAddress(name.sin_addr);
}

std::string TcpipConnection::getRemoteHostIp() const
{
    sockaddr_in name{};
    if (_socketHandle == 0 || platform::socketGetPeerName(hostHandle(_socketHandle), name) != 0)
        return UNKNOWN_ADDRESS;
    return platform::socketDottedAddress(name.sin_addr);
}
