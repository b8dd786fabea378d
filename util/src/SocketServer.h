#ifndef QVX_SOCKET_SERVER_H
#define QVX_SOCKET_SERVER_H

#include <atomic>
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
// Choices of ours:
// - A client that closes or resets its connection ends only its own exchange.
//   This includes the last answer to it failing to send with a broken pipe or
//   a reset: the rest of that answer is dropped and the server goes on to the
//   next client. Any other send failure tears the server down.
// - The client socket is closed (not only shut down) when its exchange ends,
//   so a long-running server does not collect descriptors; the destructor also
//   closes one that an exception from a handler left open.
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

    // Binds (does not listen yet). Throws SocketException on failure.
    SocketServer(int portNumber, SocketServerMessageHandler& handler,
                 const std::string& responseTerminator, SocketServerModeEnum mode);
    ~SocketServer();
    SocketServer(const SocketServer&) = delete;
    SocketServer& operator=(const SocketServer&) = delete;

    // Runs the server loop until killServer(); listens again before every
    // accept. A server whose loop has ended is not restarted.
    void acceptConnections();
    // Both only clear a flag, from any thread: the loop notices at its next
    // check (after the current answer, or when a blocked accept returns).
    void killServer();
    void disconnectFromClient();

private:
    void socketCleanup();
    void closeClientSocket();
    void serveTextRequest();
    void serveRawRequest();
    void serveUnknownMode();
    // One receive of at most 100 bytes; 0 when the request in hand is finished.
    int receiveChunk();
    // One send call; false when the client has gone (its exchange is over).
    bool sendToClient(const char* data, std::size_t size);
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
    // Reused between requests so that serving does not allocate per line.
    std::string _sendBuffer;
    std::vector<char> _rawChunk;
    char _receiveBuffer[RECEIVE_BUFFER_SIZE];
};

#endif
