// Winsock 2 behind the socket facility.
#include "Socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <mutex>
#include <vector>

namespace qvx {
namespace platform {

// The named codes are Winsock's own numbers.
static_assert(SOCKERR_EINTR == WSAEINTR && SOCKERR_EBADF == WSAEBADF && SOCKERR_EACCES == WSAEACCES,
              "winsock");
static_assert(SOCKERR_EINVAL == WSAEINVAL && SOCKERR_EWOULDBLOCK == WSAEWOULDBLOCK &&
                  SOCKERR_EMSGSIZE == WSAEMSGSIZE && SOCKERR_EADDRINUSE == WSAEADDRINUSE,
              "winsock");
static_assert(SOCKERR_ENETDOWN == WSAENETDOWN && SOCKERR_ENETUNREACH == WSAENETUNREACH &&
                  SOCKERR_ECONNABORTED == WSAECONNABORTED && SOCKERR_ECONNRESET == WSAECONNRESET,
              "winsock");
static_assert(SOCKERR_ENOTCONN == WSAENOTCONN && SOCKERR_ESHUTDOWN == WSAESHUTDOWN &&
                  SOCKERR_ETIMEDOUT == WSAETIMEDOUT && SOCKERR_ECONNREFUSED == WSAECONNREFUSED,
              "winsock");
static_assert(SOCKERR_EHOSTUNREACH == WSAEHOSTUNREACH && SOCKERR_HOST_NOT_FOUND == WSAHOST_NOT_FOUND,
              "winsock");
static_assert(SOCKET_SHUT_RECEIVE == SD_RECEIVE && SOCKET_SHUT_SEND == SD_SEND && SOCKET_SHUT_BOTH == SD_BOTH,
              "shutdown");
static_assert(SOCKERR_EFAULT == WSAEFAULT && SOCKERR_ENOTSOCK == WSAENOTSOCK, "winsock");
static_assert(INVALID_SOCKET_HANDLE == INVALID_SOCKET, "handle");

namespace {

std::atomic<int> g_libraryUsers{0};

// Connections made by socketWakeAccept that no accept has taken yet: the
// listening socket and the waking end's address.
struct Waker
{
    SOCKET listening;
    u_long address;
    u_short port;
};
std::mutex g_wakersGuard;
std::vector<Waker> g_wakers;

bool sameWaker(const Waker& a, const Waker& b)
{
    return a.listening == b.listening && a.address == b.address && a.port == b.port;
}

// Removes one noted waker of listening, or all of them when which is null.
void forgetWakers(SOCKET listening, const Waker* which)
{
    std::lock_guard<std::mutex> lock(g_wakersGuard);
    for (auto it = g_wakers.begin(); it != g_wakers.end();)
    {
        if (it->listening == listening && (which == nullptr || sameWaker(*it, *which)))
            it = g_wakers.erase(it);
        else
            ++it;
    }
}

// True (and forgotten) when the connection from peer was made to wake an
// accept on listening.
bool takeWaker(SOCKET listening, const sockaddr_in& peer)
{
    const Waker accepted{listening, peer.sin_addr.s_addr, peer.sin_port};
    std::lock_guard<std::mutex> lock(g_wakersGuard);
    for (auto it = g_wakers.begin(); it != g_wakers.end(); ++it)
    {
        if (sameWaker(*it, accepted))
        {
            g_wakers.erase(it);
            return true;
        }
    }
    return false;
}

// The few calls that the library makes outside any start-up of its users
// (host name and address look-ups for exception texts, the free-port probe)
// hold one start-up of their own for the life of the process. It is not
// counted in socketLibraryUsers and never cleaned up, so a user's cleanup can
// never pull Winsock away from under them.
bool ensureOwnStartup()
{
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

SOCKET s(SocketHandle handle)
{
    return static_cast<SOCKET>(handle);
}

int result(int rc)
{
    return rc == SOCKET_ERROR ? -1 : 0;
}

// A blocking call that passes its SO_RCVTIMEO / SO_SNDTIMEO limit fails with
// WSAETIMEDOUT here; the facility reports it as SOCKERR_EWOULDBLOCK, as on
// every host. Returns -1.
int timeLimitAsWouldBlock()
{
    if (::WSAGetLastError() == WSAETIMEDOUT)
        ::WSASetLastError(WSAEWOULDBLOCK);
    return -1;
}

int setIntOption(SocketHandle socket, int level, int name, int value)
{
    return result(::setsockopt(s(socket), level, name, reinterpret_cast<const char*>(&value),
                               sizeof(value)));
}

}  // namespace

int socketLibraryStartup(std::uint16_t requestedVersion, std::uint16_t& grantedVersion)
{
    WSADATA data;
    const int rc = ::WSAStartup(requestedVersion, &data);
    if (rc != 0)
        return rc;
    // Winsock grants the highest version it has up to the one asked for; the
    // caller compares it with what it needs.
    grantedVersion = data.wVersion;
    g_libraryUsers.fetch_add(1);
    return 0;
}

int socketLibraryCleanup()
{
    int users = g_libraryUsers.load();
    while (users > 0 && !g_libraryUsers.compare_exchange_weak(users, users - 1))
    {
    }
    if (users <= 0)  // nothing of ours to clean up
        return 0;
    return ::WSACleanup() == 0 ? 0 : -1;
}

int socketLibraryUsers()
{
    return g_libraryUsers.load();
}

SocketHandle socketCreateTcp()
{
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, 0);
    if (socket == INVALID_SOCKET)
        return INVALID_SOCKET_HANDLE;
    // Not inherited by started programs.
    ::SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
    return static_cast<SocketHandle>(socket);
}

int socketBind(SocketHandle socket, const sockaddr_in& address)
{
    return result(::bind(s(socket), reinterpret_cast<const sockaddr*>(&address), sizeof(address)));
}

int socketListen(SocketHandle socket, int backlog)
{
    return result(::listen(s(socket), backlog));
}

SocketHandle socketAccept(SocketHandle socket, sockaddr_in* peer)
{
    sockaddr_in address{};
    int length = sizeof(address);
    const SOCKET accepted = ::accept(s(socket), reinterpret_cast<sockaddr*>(&address), &length);
    if (accepted == INVALID_SOCKET)
        return INVALID_SOCKET_HANDLE;
    if (takeWaker(socket, address))
    {
        // Woken: fails like an accept that a closed socket interrupted.
        ::closesocket(accepted);
        ::WSASetLastError(WSAEINTR);
        return INVALID_SOCKET_HANDLE;
    }
    ::SetHandleInformation(reinterpret_cast<HANDLE>(accepted), HANDLE_FLAG_INHERIT, 0);
    if (peer != nullptr)
        *peer = address;
    return static_cast<SocketHandle>(accepted);
}

bool socketAcceptErrorIsPerConnection(int code)
{
    // A connection reset or dropped between its arrival and the accept
    // (Wine reports such a connection as WSAENOTCONN; a listening socket
    // itself never fails so).
    return code == WSAECONNRESET || code == WSAECONNABORTED || code == WSAETIMEDOUT || code == WSAENOTCONN;
}

int socketConnect(SocketHandle socket, const sockaddr_in& address)
{
    return result(::connect(s(socket), reinterpret_cast<const sockaddr*>(&address), sizeof(address)));
}

int socketSend(SocketHandle socket, const void* data, int size)
{
    if (size < 0)
    {
        ::WSASetLastError(WSAEINVAL);
        return -1;
    }
    const int sent = ::send(s(socket), static_cast<const char*>(data), size, 0);
    return sent == SOCKET_ERROR ? timeLimitAsWouldBlock() : sent;
}

int socketSendPair(SocketHandle socket, const char*& first, std::size_t& firstLeft, const char*& second,
                   std::size_t& secondLeft)
{
    if (firstLeft > static_cast<std::size_t>(INT_MAX) - secondLeft || secondLeft > static_cast<std::size_t>(INT_MAX))
    {
        ::WSASetLastError(WSAEINVAL);
        return -1;
    }
    WSABUF parts[2];
    parts[0].buf = const_cast<char*>(first);
    parts[0].len = static_cast<ULONG>(firstLeft);
    parts[1].buf = const_cast<char*>(second);
    parts[1].len = static_cast<ULONG>(secondLeft);
    DWORD sent = 0;
    if (::WSASend(s(socket), parts, 2, &sent, 0, nullptr, nullptr) == SOCKET_ERROR)
        return timeLimitAsWouldBlock();
    std::size_t done = sent;
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
        ::WSASetLastError(WSAEINVAL);
        return -1;
    }
    const int got = ::recv(s(socket), static_cast<char*>(data), size, 0);
    return got == SOCKET_ERROR ? timeLimitAsWouldBlock() : got;
}

int socketWaitReadable(SocketHandle socket, long seconds, long microseconds)
{
    if (seconds < 0 || microseconds < 0)
    {
        ::WSASetLastError(WSAEINVAL);
        return -1;
    }
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s(socket), &readable);
    timeval limit{};
    limit.tv_sec = seconds + microseconds / 1000000;
    limit.tv_usec = microseconds % 1000000;
    const int ready = ::select(0, &readable, nullptr, nullptr, &limit);
    if (ready == SOCKET_ERROR)
        return -1;
    return ready == 0 ? 0 : 1;
}

int socketShutdown(SocketHandle socket, int how)
{
    return result(::shutdown(s(socket), how));
}

void socketWakeAccept(SocketHandle listening)
{
    // Winsock refuses to shut a listening socket down, and closing it wakes
    // a blocked accept on Windows but not under Wine (and would let the
    // handle be reused under the sleeper). A connection of our own is queued
    // until accepted, so it also wakes an accept that starts later; its
    // address is noted before it connects, so that socketAccept knows it and
    // fails instead of handing it over. Its end is closed at once: the
    // connection stays queued with its end of stream.
    const int saved = ::WSAGetLastError();
    sockaddr_in target{};
    if (socketGetLocalName(listening, target) == 0)
    {
        if (target.sin_addr.s_addr == htonl(INADDR_ANY))
            target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const SocketHandle waker = socketCreateTcp();
        sockaddr_in from{};
        if (waker != INVALID_SOCKET_HANDLE && socketBind(waker, socketMakeAddress(target.sin_addr.s_addr, 0)) == 0 &&
            socketGetLocalName(waker, from) == 0)
        {
            const Waker noted{s(listening), from.sin_addr.s_addr, from.sin_port};
            {
                std::lock_guard<std::mutex> lock(g_wakersGuard);
                g_wakers.push_back(noted);
            }
            if (socketConnect(waker, target) != 0)
                forgetWakers(s(listening), &noted);
        }
        if (waker != INVALID_SOCKET_HANDLE)
            socketClose(waker);
    }
    ::WSASetLastError(saved);
}

void socketWakeReceive(SocketHandle socket)
{
    // The shutdown fails every later receive; a receive already waiting is
    // woken by cancelling its I/O (CancelIoEx, looked up at run time: the
    // oldest systems lack it, and there the receive ends with its peer).
    using CancelIoExFunction = BOOL(WINAPI*)(HANDLE, LPOVERLAPPED);
    static const CancelIoExFunction cancelIoEx = reinterpret_cast<CancelIoExFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "CancelIoEx")));
    const int saved = ::WSAGetLastError();
    ::shutdown(s(socket), SD_RECEIVE);
    if (cancelIoEx != nullptr)
        cancelIoEx(reinterpret_cast<HANDLE>(s(socket)), nullptr);
    ::WSASetLastError(saved);
}

int socketClose(SocketHandle socket)
{
    return result(::closesocket(s(socket)));
}

int socketCloseListening(SocketHandle socket)
{
    // Closing the socket wakes an accept blocked on it in another thread on
    // Windows (not under Wine: see socketWakeAccept); no shutdown is needed
    // (and a listening socket refuses one). Connections made to wake it go
    // with it.
    forgetWakers(s(socket), nullptr);
    return socketClose(socket);
}

int socketSetReuseAddress(SocketHandle socket, bool on)
{
    return setIntOption(socket, SOL_SOCKET, SO_REUSEADDR, on ? 1 : 0);
}

int socketSetExclusiveAddressUse(SocketHandle socket, bool on)
{
    return setIntOption(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, on ? 1 : 0);
}

int socketAllowRebindAfterClose(SocketHandle)
{
    // Windows lets a listener bind a port whose earlier connections wait out
    // their close without any option; SO_REUSEADDR would instead let a second
    // listener take the port, so nothing is set.
    return 0;
}

namespace {
int setTimeOption(SocketHandle socket, int name, unsigned int milliseconds)
{
    const DWORD value = milliseconds;
    return result(::setsockopt(s(socket), SOL_SOCKET, name, reinterpret_cast<const char*>(&value), sizeof(value)));
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
    value.l_linger = static_cast<u_short>(seconds < 0 ? 0 : (seconds > 65535 ? 65535 : seconds));
    return result(
        ::setsockopt(s(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&value), sizeof(value)));
}

int socketSetNoDelay(SocketHandle socket, bool on)
{
    return setIntOption(socket, IPPROTO_TCP, TCP_NODELAY, on ? 1 : 0);
}

int socketGetPendingError(SocketHandle socket, int& error)
{
    int value = 0;
    int length = sizeof(value);
    if (::getsockopt(s(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&value), &length) ==
        SOCKET_ERROR)
        return -1;
    error = value;
    return 0;
}

namespace {
// getsockname and getpeername share one signature; both must give an IPv4 name.
int readIPv4Name(int(WSAAPI* query)(SOCKET, sockaddr*, int*), SocketHandle socket, sockaddr_in& address)
{
    sockaddr_in name{};
    int length = sizeof(name);
    if (query(s(socket), reinterpret_cast<sockaddr*>(&name), &length) == SOCKET_ERROR)
        return -1;
    if (length != sizeof(name) || name.sin_family != AF_INET)
    {
        ::WSASetLastError(WSAEINVAL);
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
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&address.s_addr);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return text;
}

std::string socketHostName(std::size_t bufferSize)
{
    if (bufferSize == 0 || bufferSize > 0x7fffffff)
    {
        ::WSASetLastError(WSAEINVAL);
        return std::string();
    }
    ensureOwnStartup();
    std::vector<char> buffer(bufferSize, '\0');
    if (::gethostname(buffer.data(), static_cast<int>(bufferSize)) == SOCKET_ERROR)
        return std::string();
    buffer[bufferSize - 1] = '\0';
    return buffer.data();
}

int socketLookupIPv4(const std::string& host, in_addr& address)
{
    ensureOwnStartup();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    // getaddrinfo answers Winsock codes (WSAHOST_NOT_FOUND, WSATRY_AGAIN, ...),
    // the same the older look-up call reports.
    const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0)
        return rc;
    int answer = WSAHOST_NOT_FOUND;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next)
    {
        if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in))
        {
            address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr;
            answer = 0;
            break;
        }
    }
    ::freeaddrinfo(found);
    return answer;
}

int socketLastError()
{
    return ::WSAGetLastError();
}

void setSocketLastError(int code)
{
    ::WSASetLastError(code);
}

std::string socketErrorText(int code)
{
    std::string text;
    if (socketSystemErrorText(code, text))
        return text;
    return "Unknown error " + std::to_string(code);
}

std::string socketLookupErrorText(int code)
{
    // The look-up answers Winsock codes, which have system texts.
    return socketErrorText(code);
}

SocketHandle socketNonZeroHandle(SocketHandle socket)
{
    // Winsock never hands out handle 0.
    return socket;
}

bool socketSystemErrorText(int code, std::string& text)
{
    char* buffer = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr)
        return false;
    std::string message(buffer, length);
    ::LocalFree(buffer);
    // The system's texts end in a line break (and often a full stop before it).
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    if (message.empty())
        return false;
    text = message;
    return true;
}

int socketFreeLoopbackPort()
{
    ensureOwnStartup();
    const SocketHandle probe = socketCreateTcp();
    if (probe == INVALID_SOCKET_HANDLE)
        return 0;
    sockaddr_in name{};
    const bool bound = socketBind(probe, socketMakeAddress(socketLoopbackAddress(), 0)) == 0 &&
                       socketGetLocalName(probe, name) == 0;
    socketClose(probe);
    return bound ? socketNetworkToHost16(name.sin_port) : 0;
}

}  // namespace platform
}  // namespace qvx
