#ifndef QVX_TEST_LOOPBACK_PEER_H
#define QVX_TEST_LOOPBACK_PEER_H

// Plain loopback sockets that drive the network classes byte for byte. Reads
// wait at most two seconds, so a broken server fails a test instead of hanging it.
#if defined(_WIN32)
#include <windows.h>
#else
#include <dirent.h>
#include <sys/socket.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "Socket.h"

namespace qvxtest {

namespace net = qvx::platform;

// What the host answers for a call on a socket that was closed: an unknown
// descriptor on POSIX, no socket at all for Winsock.
#if defined(_WIN32)
constexpr int CLOSED_SOCKET_ERROR = net::SOCKERR_ENOTSOCK;
#else
constexpr int CLOSED_SOCKET_ERROR = net::SOCKERR_EBADF;
#endif

inline sockaddr_in loopback(int port)
{
    return net::socketMakeAddress(net::socketLoopbackAddress(), static_cast<std::uint16_t>(port));
}

// The process's open handles (Windows) or descriptors.
inline int openDescriptorCount()
{
#if defined(_WIN32)
    DWORD handles = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &handles);
    return static_cast<int>(handles);
#else
    int count = 0;
    DIR* dir = ::opendir("/proc/self/fd");
    while (::readdir(dir) != nullptr)
        ++count;
    ::closedir(dir);
    return count;
#endif
}

// Waits (up to 3 s) until the kernel's table shows a socket listening on port.
inline bool waitUntilListening(int port)
{
    char wanted[32];
    std::snprintf(wanted, sizeof(wanted), ":%04X 00000000:0000 0A", static_cast<unsigned int>(port));
    for (int i = 0; i < 3000; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(1)))
    {
        std::ifstream table("/proc/net/tcp");
        for (std::string line; std::getline(table, line);)
            if (line.find(wanted) != std::string::npos)
                return true;
    }
    return false;
}

class LoopbackPeer
{
public:
    LoopbackPeer() = default;
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;
    ~LoopbackPeer() { close(); }

    // A receive buffer of this many bytes for the next connect(), so that a
    // peer that does not read holds up its server's sends soon.
    void setReceiveBuffer(int bytes) { _receiveBuffer = bytes; }

    bool connect(int port)
    {
        close();
        _socket = net::socketCreateTcp();
        if (_receiveBuffer > 0)
            ::setsockopt(_socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&_receiveBuffer), sizeof(_receiveBuffer));
        return net::socketConnect(_socket, loopback(port)) == 0;
    }

    bool sendAll(const std::string& bytes)
    {
        int sent = 0;
        for (std::size_t done = 0; done < bytes.size(); done += static_cast<std::size_t>(sent))
            if ((sent = net::socketSend(_socket, bytes.data() + done, static_cast<int>(bytes.size() - done))) <= 0)
                return false;
        return true;
    }

    // What arrives until count bytes are there, the stream ends or 2 s pass.
    std::string read(std::size_t count)
    {
        std::string got(count, '\0');
        std::size_t done = 0;
        for (int n = 1; n > 0 && done < count && net::socketWaitReadable(_socket, 2, 0) == 1; done += n)
            n = std::max(0, net::socketReceive(_socket, &got[done], static_cast<int>(count - done)));
        return got.substr(0, done);
    }

    // True when the other end closes (or resets) within 2 s with nothing unread.
    bool atEnd()
    {
        char c;
        return net::socketWaitReadable(_socket, 2, 0) == 1 && net::socketReceive(_socket, &c, 1) <= 0;
    }

    int localPort() const
    {
        sockaddr_in name{};
        return net::socketGetLocalName(_socket, name) == 0 ? net::socketNetworkToHost16(name.sin_port) : 0;
    }

    void reset()  // close with a reset instead of an orderly end of stream
    {
        net::socketSetLinger(_socket, true, 0);
        close();
    }

    void close()
    {
        if (_socket != net::INVALID_SOCKET_HANDLE)
            net::socketClose(_socket);
        _socket = net::INVALID_SOCKET_HANDLE;
    }

private:
    net::SocketHandle _socket = net::INVALID_SOCKET_HANDLE;
    int _receiveBuffer = 0;
};

}  // namespace qvxtest

#endif
