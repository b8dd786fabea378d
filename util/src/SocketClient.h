#ifndef QVX_SOCKET_CLIENT_H
#define QVX_SOCKET_CLIENT_H

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "HostSocketAddress.h"
#include "QvxExport.h"
#include "SocketHandle.h"

// The client of a SocketServer in text mode: connects, sends one request line
// at a time and collects the response lines up to the end-of-response marker
// (with no marker every response is one line). Failures are SocketException
// with the host's error code at the end of the message.
//
// Choices of ours:
// - Bytes that follow an LF in the same received chunk belong to the next
//   line. Whatever is left after the marker is kept for the next response,
//   so no byte the server sent is lost.
// - A server that closes the connection before the response is complete
//   (a last line without LF included) ends sendMessageToServer with a
//   SocketException with the receive failure's key "SOCKECT_RECV_ERROR_KEY"
//   and the message "SocketClient failed while trying to receive data from the
//   server, the server closed the connection"; partial lines are never
//   returned. After any receive failure the unread bytes are dropped.
// - connect() on a connected client closes the old socket first; a failed
//   connect closes the socket it made.
// - disconnect() closes the socket even when its farewell exchange fails, and
//   then lets that failure out.
// - The socket sends without delay (TCP_NODELAY), so a request never waits
//   for the acknowledgement of the previous one.
// - A request is sent completely: a send the host takes only in part is
//   continued with the rest; interrupted sends and receives are retried.
// - Bounds: a response (its lines and their LFs, not the marker) longer than
//   getMaxResponseSize() bytes (default 16 MiB) ends sendMessageToServer with
//   a SocketException "SOCKET_RESPONSE_TOO_LARGE_KEY"; with a time-out set
//   (setReceiveTimeout, none by default) a request whose whole exchange,
//   sending included, takes longer ends it with "SOCKET_RESPONSE_TIMEOUT_KEY".
//   After either the stream is out of step with the requests, so the socket
//   is closed: connect() again to go on. connect() itself is not timed.
class QVXUTIL_API SocketClient
{
public:
    // Starts the socket library and resolves host (a name or a dotted
    // address). Throws SocketException on failure.
    SocketClient(const std::string& host, int port, const std::string& responseTerminator);
    ~SocketClient();
    SocketClient(const SocketClient&) = delete;
    SocketClient& operator=(const SocketClient&) = delete;

    void connect();
    // Sends message and LF; answers the response lines before the marker.
    std::vector<std::string> sendMessageToServer(const std::string& message);
    // A last exchange whose answer is ignored, then the socket is closed.
    void disconnect(const std::string& message);

    static constexpr std::size_t DEFAULT_MAX_RESPONSE_SIZE = 16 * 1024 * 1024;
    // Longest time one sendMessageToServer may take, in milliseconds; 0 (the
    // default) waits as long as the server takes.
    void setReceiveTimeout(unsigned int milliseconds);
    unsigned int getReceiveTimeout() const;
    // Longest response accepted, in bytes of its lines and their LFs.
    void setMaxResponseSize(std::size_t bytes);
    std::size_t getMaxResponseSize() const;

private:
    // Takes lines from data; true when the response is complete, with used
    // set to the bytes consumed.
    bool takeLines(const char* data, std::size_t size, std::size_t& used, std::string& line,
                   std::vector<std::string>& lines) const;
    // Sends request and LF completely, within the exchange's time.
    void sendRequest(const std::string& request);
    // Waits until the socket has bytes to read; false when the time is up.
    bool waitForResponseBytes();
    // Milliseconds left of the exchange's time; at least 1, or 0 when up.
    unsigned int timeLeft() const;
    // Fails when the response, of which takenBytes are taken (with the
    // marker line when complete), is too large.
    void checkResponseSize(std::size_t takenBytes, bool complete);
    void closeSocket();
    [[noreturn]] void throwWithCode(int errorCode, const char* message, const char* key);
    [[noreturn]] void throwTimedOut();

    static constexpr int RECEIVE_BUFFER_SIZE = 100;

    std::string _host;
    int _port;
    std::string _responseTerminator;
    qvx::platform::SocketHandle _socket;
    sockaddr_in _serverAddress;
    // Received bytes that follow the last response's marker.
    std::string _unread;
    unsigned int _receiveTimeout;
    std::size_t _maxResponseSize;
    // The end of the current exchange's time, when a time-out is set.
    std::chrono::steady_clock::time_point _deadline;
    // A send time limit left on the socket, to be cleared when none is set.
    bool _sendLimitOnSocket;
};

#endif
