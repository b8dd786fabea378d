#ifndef QVX_SOCKET_SERVER_MESSAGE_HANDLER_H
#define QVX_SOCKET_SERVER_MESSAGE_HANDLER_H

#include <string>
#include <vector>

#include "QvxExport.h"

// What a SocketServer does with each request. The server calls these on the
// thread that runs its loop; a handler may call the server's killServer() or
// disconnectFromClient() from inside them.
class QVXUTIL_API SocketServerMessageHandler
{
public:
    SocketServerMessageHandler();
    virtual ~SocketServerMessageHandler() = 0;

    // Text mode: one request line without its LF; answers the response lines,
    // without LF.
    virtual std::vector<std::string> processTextMessage(const std::string& message) = 0;
    // Raw mode: one received chunk; answers the bytes to send back, empty for none.
    virtual std::vector<char> processRawMessage(const std::vector<char>& message) = 0;
};

#endif
