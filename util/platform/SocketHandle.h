#ifndef QVX_SOCKET_HANDLE_H
#define QVX_SOCKET_HANDLE_H

#include <cstdint>

// The host's socket handle type, for public headers that hold one without
// needing the socket calls themselves.
namespace qvx {
namespace platform {

#if defined(_WIN32)
using SocketHandle = std::uintptr_t;
constexpr SocketHandle INVALID_SOCKET_HANDLE = ~static_cast<SocketHandle>(0);
#else
using SocketHandle = int;
constexpr SocketHandle INVALID_SOCKET_HANDLE = -1;
#endif

}  // namespace platform
}  // namespace qvx

#endif
