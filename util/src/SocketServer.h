#ifndef QVX_SOCKET_SERVER_H
#define QVX_SOCKET_SERVER_H

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "QvxExport.h"
#include "SocketHandle.h"

class SocketServerMessageHandler;

// A small request/response server over TCP: binds one port on every local
// IPv4 address, serves one client at a time on the thread that calls
// acceptConnections(), and hands every request to the handler.
//
// Text mode wire format, per request: the client sends the request text and
// LF; the server answers each handler line and LF, one send per line, then the
// marker line and LF when a marker is configured (with no marker the handler
// must answer exactly one line). Bytes that follow the request's LF in the
// same received chunk are dropped: a client sends nothing more until its
// response is complete. Raw mode hands every received chunk to the handler
// unchanged and sends its answer back unframed.
//
// Failures are SocketException with the host's error code at the end of the
// message; a failure inside the loop first tears the listening socket down.
//
// Bounds and releases of ours, so that no client can crash, stall or end the
// server:
// - Requests are at most getMaxRequestSize() bytes (default 16 MiB, without
//   the LF). A client whose request grows past it is cut off: its socket is
//   closed, the handler never sees the request, the next client is served.
//   Raw mode has nothing to bound (each chunk is at most 100 bytes).
// - The request grows geometrically, so each byte is copied about twice at
//   most, and a response line goes out together with its LF without being
//   copied. Buffers above 64 KiB are given back after each request, to the
//   system and not only to the allocator, so a large request does not keep
//   its memory for the server's life. (A loop on a thread other than the
//   process's first gives it back to that thread's heap, of which the
//   allocator may keep a part, bounded by its own limits, for reuse.)
// - Errors on the client's socket end only that client's exchange, as a
//   reset does: receive and send failures that a peer or the network path can
//   cause (aborted, timed out, unreachable, broken pipe, ...), and a failed
//   accept of one pending connection. Interrupted calls are retried. Only
//   failures of the server's own socket (listen, accept) and errors that mean
//   a broken handle of ours (bad or non-socket descriptor, bad address or
//   argument) tear the server down and throw.
// - Each line is sent completely: a send that the host takes only in part
//   (a signal, a full buffer) is continued with the rest.
// - The client socket is owned by the loop: every way out of an exchange
//   (also an exception from the handler or a failed check in exception mode)
//   shuts it down and closes it. A loop that an exception from the handler
//   ended keeps its listening socket, so acceptConnections() may be called
//   again.
// - Stopping: killServer() also wakes a blocked accept (on Windows with a
//   connection of its own, which is never served) and a blocked receive; an
//   answer being sent is finished first. The stop is
//   checked before every receive, so a client that streams without pause
//   cannot hold it off. A stop never hands an unfinished request (no LF yet,
//   or nothing at all) to the handler. The listening socket is set up so
//   that a restarted server can bind its port at once although connections
//   of the earlier one wait out their close; a second listener on the port
//   is still refused.
// - The constructor already listens, so a client that connects as soon as
//   the server object exists is queued, not refused; acceptConnections()
//   listens again before every accept, which changes nothing then.
// - An optional idle time-out (setIdleTimeout, off by default): a client that
//   sends nothing for that long while its request is awaited, or takes none
//   of its answer for that long, is cut off like an oversized request.
// - The exchange ended by the server itself (stop, idle time-out, oversized
//   request) drops the request in hand; a client that leaves (closes, resets,
//   its connection fails) or is let go with disconnectFromClient() still gets
//   the one last handler call with what arrived.
// - The client socket is closed (not only shut down) when its exchange ends,
//   so a long-running server does not collect descriptors.
// - Teardown runs once: the listening socket is closed and the socket library
//   released a single time, whether by the loop, a failed constructor or the
//   destructor, so that a closed descriptor number is never closed again.
// - Accepted sockets send without delay (TCP_NODELAY): responses go out as
//   several small sends, which the client would otherwise acknowledge late.
class QVXUTIL_API SocketServer
{
public:
    // A fixed underlying type makes every int a valid value, so a caller's
    // mode other than these two is well defined and reaches the unknown-mode
    // handling instead of undefined behaviour.
    enum SocketServerModeEnum : int
    {
        RawMode = 0,
        TextMode = 1
    };

    static constexpr std::size_t DEFAULT_MAX_REQUEST_SIZE = 16 * 1024 * 1024;

    // Binds and listens. Throws SocketException on failure.
    SocketServer(int portNumber, SocketServerMessageHandler& handler,
                 const std::string& responseTerminator, SocketServerModeEnum mode);
    ~SocketServer();
    SocketServer(const SocketServer&) = delete;
    SocketServer& operator=(const SocketServer&) = delete;

    // Runs the server loop until killServer(); listens again before every
    // accept. A server whose loop has ended is not restarted.
    void acceptConnections();
    // From any thread (not from a signal handler). killServer() ends the loop:
    // at once when it waits for a client or for request bytes, after the
    // answer when it is answering. disconnectFromClient() ends the current
    // exchange at the next receive; it does not wake a blocked receive.
    void killServer();
    void disconnectFromClient();

    // The port the server is bound to: the one asked for, or the one the
    // host chose for port 0. 0 once the listening socket is closed.
    int getBoundPort() const;

    // Longest request accepted in text mode, in bytes without the LF.
    void setMaxRequestSize(std::size_t bytes);
    std::size_t getMaxRequestSize() const;
    // Longest silence of a client, in milliseconds; 0 (the default) is none.
    // Applies to clients accepted after the call.
    void setIdleTimeout(unsigned int milliseconds);
    unsigned int getIdleTimeout() const;

private:
    // What the loop waits in, so that killServer() wakes exactly that.
    enum class Waiting
    {
        Nothing,
        Accept,
        Receive
    };

    void socketCleanup();
    void closeClientSocket();
    void serveTextRequest();
    void serveRawRequest();
    void serveUnknownMode();
    // Waits for the next client into _clientSocket; false when stopped.
    bool acceptClient();
    // Marks what the loop is about to wait in; false when stopped meanwhile.
    bool startWaiting(Waiting what);
    void stopWaiting();
    // One receive of at most 100 bytes; 0 when the request in hand is finished
    // (_requestDropped tells whether it goes to the handler).
    int receiveChunk();
    // Ends the exchange without handing the request in hand to the handler.
    void dropExchange();
    // Sends data then tail completely; false when the exchange is over.
    bool sendToClient(const char* data, std::size_t size, const char* tail, std::size_t tailSize);
    // Handles a failed receive or send on the client's socket.
    void clientSocketFailed(int errorCode, const char* message, const char* key);
    void releaseLargeBuffers();
    [[noreturn]] void failAndThrow(int errorCode, const char* message, const char* key);

    static constexpr int RECEIVE_BUFFER_SIZE = 100;
    static constexpr int _maxNumberOfPendingConnections = 50;

    int _portNumber;
    SocketServerMessageHandler& _messageHandler;
    std::string _responseTerminator;
    qvx::platform::SocketHandle _serverSocket;
    qvx::platform::SocketHandle _clientSocket;
    std::atomic<bool> _connectedToClient;
    std::atomic<bool> _serverRunning;
    std::string _requestText;
    SocketServerModeEnum _mode;
    bool _socketLibraryStarted;
    bool _requestDropped;
    Waiting _waiting;
    std::atomic<std::size_t> _maxRequestSize;
    std::atomic<unsigned int> _idleTimeout;
    // Guards _waiting and, through it, the two handles: the loop closes a
    // handle only while it waits in nothing, killServer() shuts one down only
    // while the loop waits in it.
    mutable std::mutex _handleGuard;
    std::vector<char> _rawChunk;
    char _receiveBuffer[RECEIVE_BUFFER_SIZE];
};

#endif
