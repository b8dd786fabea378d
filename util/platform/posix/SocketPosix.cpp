// BSD sockets behind the socket facility.
#include "Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace qvx {
namespace platform {

// The named codes are the host's own numbers.
static_assert(SOCKERR_EIO == EIO && SOCKERR_ENXIO == ENXIO && SOCKERR_EINTR == EINTR, "errno");
static_assert(SOCKERR_EBADF == EBADF && SOCKERR_EAGAIN == EAGAIN && SOCKERR_EWOULDBLOCK == EWOULDBLOCK,
              "errno");
static_assert(SOCKERR_EACCES == EACCES && SOCKERR_EINVAL == EINVAL && SOCKERR_EFBIG == EFBIG, "errno");
static_assert(SOCKERR_EFAULT == EFAULT && SOCKERR_ENOTSOCK == ENOTSOCK, "errno");
static_assert(SOCKERR_EPIPE == EPIPE && SOCKERR_EMSGSIZE == EMSGSIZE && SOCKERR_EADDRINUSE == EADDRINUSE,
              "errno");
static_assert(SOCKERR_ENETDOWN == ENETDOWN && SOCKERR_ENETUNREACH == ENETUNREACH, "errno");
static_assert(SOCKERR_ECONNABORTED == ECONNABORTED && SOCKERR_ECONNRESET == ECONNRESET, "errno");
static_assert(SOCKERR_ENOTCONN == ENOTCONN && SOCKERR_ESHUTDOWN == ESHUTDOWN, "errno");
static_assert(SOCKERR_ETIMEDOUT == ETIMEDOUT && SOCKERR_ECONNREFUSED == ECONNREFUSED, "errno");
static_assert(SOCKERR_EHOSTUNREACH == EHOSTUNREACH && SOCKERR_HOST_NOT_FOUND == HOST_NOT_FOUND,
              "resolver");
static_assert(SOCKET_SHUT_RECEIVE == SHUT_RD && SOCKET_SHUT_SEND == SHUT_WR && SOCKET_SHUT_BOTH == SHUT_RDWR,
              "shutdown");

namespace {

std::atomic<int> g_libraryUsers{0};

int setIntOption(SocketHandle socket, int level, int name, int value)
{
    return ::setsockopt(socket, level, name, &value, sizeof(value)) == 0 ? 0 : -1;
}

}  // namespace

int socketLibraryStartup(std::uint16_t requestedVersion, std::uint16_t& grantedVersion)
{
    grantedVersion = requestedVersion;
    g_libraryUsers.fetch_add(1);
    return 0;
}

int socketLibraryCleanup()
{
    int users = g_libraryUsers.load();
    while (users > 0 && !g_libraryUsers.compare_exchange_weak(users, users - 1))
    {
    }
    return 0;
}

int socketLibraryUsers()
{
    return g_libraryUsers.load();
}

SocketHandle socketCreateTcp()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return fd < 0 ? INVALID_SOCKET_HANDLE : fd;
}

int socketBind(SocketHandle socket, const sockaddr_in& address)
{
    return ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 ? 0
                                                                                               : -1;
}

int socketListen(SocketHandle socket, int backlog)
{
    return ::listen(socket, backlog) == 0 ? 0 : -1;
}

SocketHandle socketAccept(SocketHandle socket, sockaddr_in* peer)
{
    sockaddr_in address{};
    socklen_t length = sizeof(address);
    const int fd = ::accept4(socket, reinterpret_cast<sockaddr*>(&address), &length, SOCK_CLOEXEC);
    if (fd < 0)
        return INVALID_SOCKET_HANDLE;
    if (peer != nullptr)
        *peer = address;
    return fd;
}

bool socketAcceptErrorIsPerConnection(int code)
{
    // Linux passes the pending network errors of the new connection on as
    // accept's own (accept(2), "Error handling").
    switch (code)
    {
    case ECONNABORTED:
    case ECONNRESET:
    case EPROTO:
    case ENOPROTOOPT:
    case ETIMEDOUT:
    case ENETDOWN:
    case ENETUNREACH:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENONET:
        return true;
    default:
        return false;
    }
}

int socketConnect(SocketHandle socket, const sockaddr_in& address)
{
    return ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0
               ? 0
               : -1;
}

int socketSend(SocketHandle socket, const void* data, int size)
{
    if (size < 0)
    {
        errno = EINVAL;
        return -1;
    }
    const ssize_t sent = ::send(socket, data, static_cast<std::size_t>(size), MSG_NOSIGNAL);
    return sent < 0 ? -1 : static_cast<int>(sent);
}

int socketSendPair(SocketHandle socket, const char*& first, std::size_t& firstLeft, const char*& second,
                   std::size_t& secondLeft)
{
    if (firstLeft > static_cast<std::size_t>(INT_MAX) - secondLeft || secondLeft > static_cast<std::size_t>(INT_MAX))
    {
        errno = EINVAL;
        return -1;
    }
    iovec parts[2];
    parts[0].iov_base = const_cast<char*>(first);
    parts[0].iov_len = firstLeft;
    parts[1].iov_base = const_cast<char*>(second);
    parts[1].iov_len = secondLeft;
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = 2;
    const ssize_t sent = ::sendmsg(socket, &message, MSG_NOSIGNAL);
    if (sent < 0)
        return -1;
    std::size_t done = static_cast<std::size_t>(sent);
    const std::size_t fromFirst = done < firstLeft ? done : firstLeft;
    first += fromFirst;
    firstLeft -= fromFirst;
    done -= fromFirst;
    second += done;
    secondLeft -= done;
    return static_cast<int>(sent);
}

int socketReceive(SocketHandle socket, void* data, int size)
{
    if (size < 0)
    {
        errno = EINVAL;
        return -1;
    }
    const ssize_t got = ::recv(socket, data, static_cast<std::size_t>(size), 0);
    return got < 0 ? -1 : static_cast<int>(got);
}

int socketWaitReadable(SocketHandle socket, long seconds, long microseconds)
{
    if (seconds < 0 || microseconds < 0)
    {
        errno = EINVAL;
        return -1;
    }
    pollfd entry{};
    entry.fd = socket;
    entry.events = POLLIN;
    timespec limit{};
    limit.tv_sec = seconds + microseconds / 1000000;
    limit.tv_nsec = (microseconds % 1000000) * 1000;
    const int ready = ::ppoll(&entry, 1, &limit, nullptr);
    if (ready < 0)
        return -1;
    if (ready == 0)
        return 0;
    if (entry.revents & POLLNVAL)
    {
        errno = EBADF;
        return -1;
    }
    return 1;
}

int socketShutdown(SocketHandle socket, int how)
{
    return ::shutdown(socket, how) == 0 ? 0 : -1;
}

void socketWakeAccept(SocketHandle listening)
{
    // A shut-down listening socket fails every accept at once, also one
    // that starts later.
    const int saved = errno;
    ::shutdown(listening, SHUT_RDWR);
    errno = saved;
}

void socketWakeReceive(SocketHandle socket)
{
    const int saved = errno;
    ::shutdown(socket, SHUT_RD);
    errno = saved;
}

int socketClose(SocketHandle socket)
{
    // Linux releases the descriptor even when close reports EINTR, so it is
    // never retried.
    return ::close(socket) == 0 ? 0 : -1;
}

int socketCloseListening(SocketHandle socket)
{
    const int saved = errno;
    ::shutdown(socket, SHUT_RDWR);
    errno = saved;
    return socketClose(socket);
}

int socketSetReuseAddress(SocketHandle socket, bool on)
{
    return setIntOption(socket, SOL_SOCKET, SO_REUSEADDR, on ? 1 : 0);
}

int socketSetExclusiveAddressUse(SocketHandle socket, bool on)
{
    if (!on)
        return 0;
    if (setIntOption(socket, SOL_SOCKET, SO_REUSEADDR, 0) != 0)
        return -1;
    return setIntOption(socket, SOL_SOCKET, SO_REUSEPORT, 0);
}

int socketAllowRebindAfterClose(SocketHandle socket)
{
    return setIntOption(socket, SOL_SOCKET, SO_REUSEADDR, 1);
}

namespace {
int setTimeOption(SocketHandle socket, int name, unsigned int milliseconds)
{
    timeval limit{};
    limit.tv_sec = static_cast<time_t>(milliseconds / 1000);
    limit.tv_usec = static_cast<suseconds_t>((milliseconds % 1000) * 1000);
    return ::setsockopt(socket, SOL_SOCKET, name, &limit, sizeof(limit)) == 0 ? 0 : -1;
}
}  // namespace

int socketSetReceiveTimeout(SocketHandle socket, unsigned int milliseconds)
{
    return setTimeOption(socket, SO_RCVTIMEO, milliseconds);
}

int socketSetSendTimeout(SocketHandle socket, unsigned int milliseconds)
{
    return setTimeOption(socket, SO_SNDTIMEO, milliseconds);
}

int socketSetLinger(SocketHandle socket, bool on, int seconds)
{
    linger value{};
    value.l_onoff = on ? 1 : 0;
    value.l_linger = seconds;
    return ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &value, sizeof(value)) == 0 ? 0 : -1;
}

int socketSetNoDelay(SocketHandle socket, bool on)
{
    return setIntOption(socket, IPPROTO_TCP, TCP_NODELAY, on ? 1 : 0);
}

int socketGetPendingError(SocketHandle socket, int& error)
{
    int value = 0;
    socklen_t length = sizeof(value);
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &value, &length) != 0)
        return -1;
    error = value;
    return 0;
}

namespace {
// getsockname and getpeername share one signature; both must give an IPv4 name.
int readIPv4Name(int (*query)(int, sockaddr*, socklen_t*), SocketHandle socket,
                 sockaddr_in& address)
{
    sockaddr_in name{};
    socklen_t length = sizeof(name);
    if (query(socket, reinterpret_cast<sockaddr*>(&name), &length) != 0)
        return -1;
    if (length != sizeof(name) || name.sin_family != AF_INET)
    {
        errno = EINVAL;
        return -1;
    }
    address = name;
    return 0;
}
}  // namespace

int socketGetLocalName(SocketHandle socket, sockaddr_in& address)
{
    return readIPv4Name(&::getsockname, socket, address);
}

int socketGetPeerName(SocketHandle socket, sockaddr_in& address)
{
    return readIPv4Name(&::getpeername, socket, address);
}

std::string socketDottedAddress(const in_addr& address)
{
    char text[INET_ADDRSTRLEN] = {};
    if (::inet_ntop(AF_INET, &address, text, sizeof(text)) == nullptr)
        return std::string();
    return text;
}

std::string socketHostName(std::size_t bufferSize)
{
    if (bufferSize == 0)
    {
        errno = EINVAL;
        return std::string();
    }
    std::vector<char> buffer(bufferSize, '\0');
    if (::gethostname(buffer.data(), bufferSize) != 0)
        return std::string();
    buffer[bufferSize - 1] = '\0';
    return buffer.data();
}

int socketLookupIPv4(const std::string& host, in_addr& address)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &result);
    if (rc != 0)
    {
        // The resolver codes of the older lookup call, which is what callers
        // report: "no such host", "try again", "unrecoverable".
        switch (rc)
        {
        case EAI_AGAIN:
            return TRY_AGAIN;
        case EAI_FAIL:
            return NO_RECOVERY;
        case EAI_NODATA:
            return NO_DATA;
        case EAI_SYSTEM:
            return errno != 0 ? errno : NO_RECOVERY;
        default:
            return HOST_NOT_FOUND;
        }
    }
    int answer = HOST_NOT_FOUND;
    for (const addrinfo* entry = result; entry != nullptr; entry = entry->ai_next)
    {
        if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in))
        {
            address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr;
            answer = 0;
            break;
        }
    }
    ::freeaddrinfo(result);
    return answer;
}

int socketLastError()
{
    return errno;
}

void setSocketLastError(int code)
{
    errno = code;
}

std::string socketErrorText(int code)
{
    char buffer[256] = {};
    // The GNU variant answers a pointer that may or may not be the buffer.
    const char* text = ::strerror_r(code, buffer, sizeof(buffer));
    return text != nullptr ? std::string(text) : std::string();
}

std::string socketLookupErrorText(int code)
{
    switch (code)
    {
    case HOST_NOT_FOUND:
    case TRY_AGAIN:
    case NO_RECOVERY:
    case NO_DATA:
        return ::hstrerror(code);
    default:  // a system error of the lookup itself
        return socketErrorText(code);
    }
}

SocketHandle socketNonZeroHandle(SocketHandle socket)
{
    if (socket != 0)
        return socket;
    const int moved = ::fcntl(0, F_DUPFD_CLOEXEC, 1);
    const int saved = errno;
    ::close(0);
    errno = saved;
    return moved < 0 ? INVALID_SOCKET_HANDLE : moved;
}

bool socketSystemErrorText(int code, std::string& text)
{
    // Unlike strerror, this answers null for a code without a description.
    const char* description = ::strerrordesc_np(code);
    if (description == nullptr)
        return false;
    text = description;
    return true;
}

int socketFreeLoopbackPort()
{
    const SocketHandle probe = socketCreateTcp();
    sockaddr_in name{};
    const bool bound =
        socketBind(probe, socketMakeAddress(socketLoopbackAddress(), 0)) == 0 &&
        socketGetLocalName(probe, name) == 0;
    socketClose(probe);
    return bound ? socketNetworkToHost16(name.sin_port) : 0;
}

}  // namespace platform
}  // namespace qvx
