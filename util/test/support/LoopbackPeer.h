#ifndef QVX_TEST_LOOPBACK_PEER_H
#define QVX_TEST_LOOPBACK_PEER_H

// Plain loopback sockets for driving the network classes byte for byte in
// tests: a peer that connects or accepts and reads with a time-out, so that a
// broken server makes a test fail instead of hang.
#include <dirent.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "Socket.h"

namespace qvxtest {

namespace net = qvx::platform;

// A port on 127.0.0.1 that was free a moment ago.
inline int freeLoopbackPort()
{
    net::SocketHandle s = net::socketCreateTcp();
    net::socketBind(s, net::socketMakeAddress(net::socketLoopbackAddress(), 0));
    sockaddr_in name{};
    net::socketGetLocalName(s, name);
    net::socketClose(s);
    return net::socketNetworkToHost16(name.sin_port);
}

// Open descriptors of this process.
inline int openDescriptorCount()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd"))
    {
        while (::readdir(dir) != nullptr)
            ++count;
        ::closedir(dir);
    }
    return count;
}

// Waits until some socket of this machine listens on port (IPv4), as the
// kernel's table shows it; false after timeoutMs.
inline bool waitUntilListening(int port, int timeoutMs = 3000)
{
    char wanted[8];
    std::snprintf(wanted, sizeof(wanted), ":%04X", static_cast<unsigned int>(port));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do
    {
        std::ifstream table("/proc/net/tcp");
        std::string slot, local, remote, state;
        std::string rest;
        std::getline(table, rest);  // heading
        while (table >> slot >> local >> remote >> state)
        {
            std::getline(table, rest);
            if (state == "0A" && local.size() >= 5 && local.compare(local.size() - 5, 5, wanted) == 0)
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

class LoopbackPeer
{
public:
    LoopbackPeer() = default;
    explicit LoopbackPeer(net::SocketHandle socket) : _socket(socket) {}
    ~LoopbackPeer() { close(); }
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;
    LoopbackPeer(LoopbackPeer&& other) noexcept : _socket(other._socket)
    {
        other._socket = net::INVALID_SOCKET_HANDLE;
    }

    bool connect(int port)
    {
        close();
        _socket = net::socketCreateTcp();
        return net::socketConnect(_socket, net::socketMakeAddress(net::socketLoopbackAddress(),
                                                                  static_cast<std::uint16_t>(port))) == 0;
    }

    bool sendAll(const std::string& bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size())
        {
            const int sent = net::socketSend(_socket, bytes.data() + done,
                                             static_cast<int>(bytes.size() - done));
            if (sent <= 0)
                return false;
            done += static_cast<std::size_t>(sent);
        }
        return true;
    }

    // Reads until count bytes arrived, the stream ended or nothing came for
    // timeoutMs; answers what arrived.
    std::string read(std::size_t count, int timeoutMs = 2000)
    {
        std::string got;
        char buffer[4096];
        while (got.size() < count)
        {
            if (net::socketWaitReadable(_socket, timeoutMs / 1000, (timeoutMs % 1000) * 1000L) != 1)
                break;
            const std::size_t want = count - got.size() < sizeof(buffer) ? count - got.size() : sizeof(buffer);
            const int n = net::socketReceive(_socket, buffer, static_cast<int>(want));
            if (n <= 0)
                break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

    // True when the peer has closed its end (end of stream or reset) within
    // timeoutMs, with nothing unread before it.
    bool atEnd(int timeoutMs = 2000)
    {
        if (net::socketWaitReadable(_socket, timeoutMs / 1000, (timeoutMs % 1000) * 1000L) != 1)
            return false;
        char c;
        return net::socketReceive(_socket, &c, 1) <= 0;
    }

    // Closes with a reset instead of an orderly end of stream.
    void reset()
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

    net::SocketHandle handle() const { return _socket; }

private:
    net::SocketHandle _socket = net::INVALID_SOCKET_HANDLE;
};

// A listening socket on 127.0.0.1 with a system-chosen port.
class LoopbackListener
{
public:
    LoopbackListener()
    {
        _socket = net::socketCreateTcp();
        net::socketBind(_socket, net::socketMakeAddress(net::socketLoopbackAddress(), 0));
        net::socketListen(_socket, 16);
        sockaddr_in name{};
        net::socketGetLocalName(_socket, name);
        _port = net::socketNetworkToHost16(name.sin_port);
    }
    ~LoopbackListener() { net::socketCloseListening(_socket); }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int port() const { return _port; }
    LoopbackPeer accept() { return LoopbackPeer(net::socketAccept(_socket, nullptr)); }

private:
    net::SocketHandle _socket;
    int _port = 0;
};

}  // namespace qvxtest

#endif
