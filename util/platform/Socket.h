#ifndef QVX_SOCKET_H
#define QVX_SOCKET_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "HostSocketAddress.h"
#include "QvxExport.h"
#include "SocketHandle.h"

// The host's TCP/IPv4 socket calls, as the library's network classes use them.
//
// Results follow the socket library the classes were written against: calls
// answer 0 (or a count, or a handle) on success and -1 (or the invalid handle)
// on failure, and the failure's code is then read with socketLastError(). Codes
// are the host's own (errno here) and are compared through the SOCKERR_
// constants below, so a class reads the same on every host while its messages
// show the host's real number.
//
// Sends never raise SIGPIPE: a write to a peer that has gone fails with
// SOCKERR_EPIPE (or SOCKERR_ECONNRESET) instead.
namespace qvx {
namespace platform {

// Error codes, by the names the socket library's tables use.
#if defined(_WIN32)
constexpr int SOCKERR_EINTR = 10004;
constexpr int SOCKERR_EBADF = 10009;
constexpr int SOCKERR_EFAULT = 10014;
constexpr int SOCKERR_EACCES = 10013;
constexpr int SOCKERR_EINVAL = 10022;
constexpr int SOCKERR_EWOULDBLOCK = 10035;
constexpr int SOCKERR_EAGAIN = 10035;
constexpr int SOCKERR_ENOTSOCK = 10038;
constexpr int SOCKERR_EMSGSIZE = 10040;
constexpr int SOCKERR_EADDRINUSE = 10048;
constexpr int SOCKERR_ENETDOWN = 10050;
constexpr int SOCKERR_ENETUNREACH = 10051;
constexpr int SOCKERR_ECONNABORTED = 10053;
constexpr int SOCKERR_ECONNRESET = 10054;
constexpr int SOCKERR_ENOTCONN = 10057;
constexpr int SOCKERR_ESHUTDOWN = 10058;
constexpr int SOCKERR_ETIMEDOUT = 10060;
constexpr int SOCKERR_ECONNREFUSED = 10061;
constexpr int SOCKERR_EHOSTUNREACH = 10065;
constexpr int SOCKERR_HOST_NOT_FOUND = 11001;
// Not socket codes on this host; kept for the tables that list them.
constexpr int SOCKERR_EIO = 5;
constexpr int SOCKERR_ENXIO = 6;
constexpr int SOCKERR_EFBIG = 27;
constexpr int SOCKERR_EPIPE = 32;
#else
constexpr int SOCKERR_EIO = 5;
constexpr int SOCKERR_ENXIO = 6;
constexpr int SOCKERR_EINTR = 4;
constexpr int SOCKERR_EBADF = 9;
constexpr int SOCKERR_EAGAIN = 11;
constexpr int SOCKERR_EWOULDBLOCK = 11;
constexpr int SOCKERR_EACCES = 13;
constexpr int SOCKERR_EFAULT = 14;
constexpr int SOCKERR_EINVAL = 22;
constexpr int SOCKERR_EFBIG = 27;
constexpr int SOCKERR_EPIPE = 32;
constexpr int SOCKERR_ENOTSOCK = 88;
constexpr int SOCKERR_EMSGSIZE = 90;
constexpr int SOCKERR_EADDRINUSE = 98;
constexpr int SOCKERR_ENETDOWN = 100;
constexpr int SOCKERR_ENETUNREACH = 101;
constexpr int SOCKERR_ECONNABORTED = 103;
constexpr int SOCKERR_ECONNRESET = 104;
constexpr int SOCKERR_ENOTCONN = 107;
constexpr int SOCKERR_ESHUTDOWN = 108;
constexpr int SOCKERR_ETIMEDOUT = 110;
constexpr int SOCKERR_ECONNREFUSED = 111;
constexpr int SOCKERR_EHOSTUNREACH = 113;
// The resolver's "no such host" (HOST_NOT_FOUND of netdb.h).
constexpr int SOCKERR_HOST_NOT_FOUND = 1;
#endif

// Directions for socketShutdown.
constexpr int SOCKET_SHUT_RECEIVE = 0;
constexpr int SOCKET_SHUT_SEND = 1;
constexpr int SOCKET_SHUT_BOTH = 2;

// Socket library start-up. A version word holds the major version in its low
// byte and the minor one in its high byte (0x0101 is 1.1, 0x0202 is 2.2). This
// host needs no start-up step: every version asked for is granted as asked.
// Answers 0 and sets granted, or an error code. Each successful start-up is
// one user until the matching socketLibraryCleanup.
QVXUTIL_API int socketLibraryStartup(std::uint16_t requestedVersion, std::uint16_t& grantedVersion);
QVXUTIL_API int socketLibraryCleanup();
// Users started and not yet cleaned up, process-wide.
QVXUTIL_API int socketLibraryUsers();

// A TCP stream socket over IPv4 (AF_INET, SOCK_STREAM, protocol 0), or the
// invalid handle. The descriptor is not inherited by started programs.
QVXUTIL_API SocketHandle socketCreateTcp();
QVXUTIL_API int socketBind(SocketHandle socket, const sockaddr_in& address);
QVXUTIL_API int socketListen(SocketHandle socket, int backlog);
// A failed accept is not retried (an interrupted one reports SOCKERR_EINTR).
// peer may be null.
QVXUTIL_API SocketHandle socketAccept(SocketHandle socket, sockaddr_in* peer);
// True when an accept failed with code for the one connection it was taking
// (reset or unreachable before it was taken), so the listening socket is
// still good and the next accept may be tried.
QVXUTIL_API bool socketAcceptErrorIsPerConnection(int code);
QVXUTIL_API int socketConnect(SocketHandle socket, const sockaddr_in& address);

// One send call; the count sent (possibly fewer than size) or -1.
QVXUTIL_API int socketSend(SocketHandle socket, const void* data, int size);
// One send call of what is left of two buffers, back to back (first, then
// second), without joining them in memory. On success both are moved past
// the bytes sent (possibly fewer than left) and the count is answered, so
// that calling again sends the rest; -1 on failure. The two sizes together
// must not exceed INT_MAX.
QVXUTIL_API int socketSendPair(SocketHandle socket, const char*& first, std::size_t& firstLeft, const char*& second,
                               std::size_t& secondLeft);
// One receive call; the count, 0 when the peer closed the stream, or -1.
QVXUTIL_API int socketReceive(SocketHandle socket, void* data, int size);
// Waits until the socket is readable (data, end of stream or an error to
// report) or the time has passed. 1 readable, 0 timed out, -1 failed. An
// interrupted wait fails with SOCKERR_EINTR.
QVXUTIL_API int socketWaitReadable(SocketHandle socket, long seconds, long microseconds);

QVXUTIL_API int socketShutdown(SocketHandle socket, int how);
// Wakes another thread's socketAccept on this listening socket, whether it
// already waits or is about to: it fails now or as soon as it is called
// (unless it takes a connection that came first). The socket stays open;
// close it once the accept has returned. Wakes one accept: later ones may
// block again. The socket's last error is kept.
QVXUTIL_API void socketWakeAccept(SocketHandle listening);
// Wakes another thread's socketReceive on this connected socket, whether it
// already waits or is about to: it returns (0 or a failure), and so does
// every later receive at once. The socket's last error is kept.
QVXUTIL_API void socketWakeReceive(SocketHandle socket);
QVXUTIL_API int socketClose(SocketHandle socket);
// Closes a listening socket so that an accept blocked on it in another thread
// returns: shut down first (on this host closing alone does not wake accept),
// then closed. The shutdown's own failure is ignored; answers the close's.
QVXUTIL_API int socketCloseListening(SocketHandle socket);

// Options (level SOL_SOCKET unless said otherwise).
QVXUTIL_API int socketSetReuseAddress(SocketHandle socket, bool on);
// Exclusive use of the bound address and port. Linux already refuses a second
// bind to a port in use unless both sockets ask to share it, so "exclusive"
// here means the socket does not ask to share: SO_REUSEADDR and SO_REUSEPORT
// are switched off. Switching it off has nothing to undo and succeeds.
QVXUTIL_API int socketSetExclusiveAddressUse(SocketHandle socket, bool on);
// Lets a listening socket bind its port while connections of an earlier
// listener on it still wait out their close (TIME_WAIT), so a restarted
// server does not have to wait a minute; a second listener on the port is
// still refused. SO_REUSEADDR here (on Linux it never lets two listeners
// share a port).
QVXUTIL_API int socketAllowRebindAfterClose(SocketHandle socket);
// Time limits of one blocking receive or send call (SO_RCVTIMEO,
// SO_SNDTIMEO); 0 is none. A call that passes its limit without moving any
// byte fails with SOCKERR_EWOULDBLOCK.
QVXUTIL_API int socketSetReceiveTimeout(SocketHandle socket, unsigned int milliseconds);
QVXUTIL_API int socketSetSendTimeout(SocketHandle socket, unsigned int milliseconds);
// SO_LINGER. A zero time with on makes close reset the connection.
QVXUTIL_API int socketSetLinger(SocketHandle socket, bool on, int seconds);
// TCP_NODELAY at level IPPROTO_TCP.
QVXUTIL_API int socketSetNoDelay(SocketHandle socket, bool on);
// Reads and clears the socket's pending error (SO_ERROR) into error.
QVXUTIL_API int socketGetPendingError(SocketHandle socket, int& error);

QVXUTIL_API int socketGetLocalName(SocketHandle socket, sockaddr_in& address);
QVXUTIL_API int socketGetPeerName(SocketHandle socket, sockaddr_in& address);

// Dotted decimal text of an IPv4 address ("127.0.0.1").
QVXUTIL_API std::string socketDottedAddress(const in_addr& address);
// The machine's own host name, as gethostname gives it into a buffer of
// bufferSize bytes; "" on failure (then socketLastError() tells why).
QVXUTIL_API std::string socketHostName(std::size_t bufferSize);
// Looks up a host name or dotted address; the first IPv4 address in
// address (network order). Answers 0 or the resolver's code
// (SOCKERR_HOST_NOT_FOUND for a name that does not exist).
QVXUTIL_API int socketLookupIPv4(const std::string& host, in_addr& address);

// The calling thread's last socket error code (errno here).
QVXUTIL_API int socketLastError();
QVXUTIL_API void setSocketLastError(int code);
// The system's text for an error code.
QVXUTIL_API std::string socketErrorText(int code);
// The resolver's text for a code answered by socketLookupIPv4.
QVXUTIL_API std::string socketLookupErrorText(int code);

// Byte order.
QVXUTIL_API std::uint16_t socketHostToNetwork16(std::uint16_t value);
QVXUTIL_API std::uint16_t socketNetworkToHost16(std::uint16_t value);
QVXUTIL_API std::uint32_t socketHostToNetwork32(std::uint32_t value);
QVXUTIL_API std::uint32_t socketNetworkToHost32(std::uint32_t value);

// An IPv4 socket address: family AF_INET, port (host order) and address
// (network order), the rest zero.
QVXUTIL_API sockaddr_in socketMakeAddress(std::uint32_t networkAddress, std::uint16_t port);
// INADDR_ANY and INADDR_LOOPBACK in network order.
QVXUTIL_API std::uint32_t socketAnyAddress();
QVXUTIL_API std::uint32_t socketLoopbackAddress();

// Descriptor 0 is free only when standard input was closed, and classes that
// take handle 0 for "no socket" must never be given it. A handle 0 is moved to
// the lowest free descriptor above 0 (and 0 closed again); any other handle,
// the invalid one included, comes back unchanged. If the move fails the socket
// is closed and the invalid handle returned, with the error code set.
QVXUTIL_API SocketHandle socketNonZeroHandle(SocketHandle socket);
// The system's own text for an error code; false when it has none for it
// (socketErrorText then makes up an "unknown error" text).
QVXUTIL_API bool socketSystemErrorText(int code, std::string& text);

// A TCP port on 127.0.0.1 that was free a moment ago (another process may take
// it before the caller binds); 0 when none could be had.
QVXUTIL_API int socketFreeLoopbackPort();

}  // namespace platform
}  // namespace qvx

#endif
