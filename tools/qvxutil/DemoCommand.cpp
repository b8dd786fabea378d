// qvxutil demo: a message server and its client in one process, on loopback.
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Command.h"
#include "MessageHandlers.h"
#include "Socket.h"
#include "SocketClient.h"
#include "SocketException.h"
#include "SocketServer.h"

namespace {

namespace net = qvx::platform;

const char* const MARKER = "END";

// "HANDLER TEXT" answers TEXT with a built-in handler, "words TEXT" answers
// one line per word (the marker ends the list), "stop" stops the server.
class DemoHandler : public SocketServerMessageHandler
{
public:
    void attach(SocketServer& server) { _server = &server; }

    std::vector<std::string> processTextMessage(const std::string& message) override
    {
        const std::size_t blank = message.find(' ');
        const std::string verb = message.substr(0, blank);
        const std::string text = blank == std::string::npos ? "" : message.substr(blank + 1);
        if (verb == "stop")
        {
            _server->killServer();
            return {"stopping"};
        }
        if (verb == "words")
        {
            std::vector<std::string> words;
            std::istringstream in(text);
            for (std::string word; in >> word;)
                words.push_back(word);
            return words;
        }
        if (qvxutil::isMessageHandlerName(verb))
            return {qvxutil::answerWith(verb, text)};
        return {"unknown request: " + verb};
    }

    std::vector<char> processRawMessage(const std::vector<char>& message) override { return message; }

private:
    SocketServer* _server = nullptr;
};

void show(SocketClient& client, const std::string& request)
{
    std::cout << "> " << request << '\n';
    const std::vector<std::string> lines = client.sendMessageToServer(request);
    for (const std::string& line : lines)
        std::cout << "< " << line << '\n';
    if (lines.empty())
        std::cout << "< (no lines, only the marker)\n";
}

int runDemo(const qvxutil::Args& args)
{
    if (!args.empty())
        throw qvxutil::UsageError{"demo takes no arguments"};

    DemoHandler handler;
    std::unique_ptr<SocketServer> server;
    int port = 0;
    for (int attempt = 0; !server; ++attempt)
    {
        port = net::socketFreeLoopbackPort();
        try
        {
            server = std::make_unique<SocketServer>(port, handler, MARKER, SocketServer::TextMode);
        }
        catch (const SocketException&)
        {
            if (attempt == 9)
                throw;  // taken ten times over: give up
        }
    }
    handler.attach(*server);
    std::cout << "message server on port " << port << " (text mode, marker " << MARKER
              << "), serving on its own thread\n";
    bool serverFailed = false;
    std::thread serving([&] {
        try
        {
            server->acceptConnections();
        }
        catch (const SocketException& e)
        {
            std::cout << "server failed: " << e << '\n';
            serverFailed = true;
        }
    });

    int status = 0;
    try
    {
        SocketClient client("127.0.0.1", port, MARKER);
        client.connect();  // the server listens since it was made
        std::cout << "client connected to 127.0.0.1:" << port << '\n';
        show(client, "echo Hello, X-ray tester");
        show(client, "upper line-based protocol");
        show(client, "hash BOARD-0042");
        show(client, "time");
        show(client, "words one request, several lines");
        show(client, "words");
        std::cout << "> stop  (the handler calls killServer(); the client disconnects)\n";
        client.disconnect("stop");
    }
    catch (const SocketException& e)
    {
        std::cout << "client failed: " << e << '\n';
        status = 1;
        server->killServer();  // also wakes the loop where it waits
    }
    serving.join();
    std::cout << (serverFailed ? "server ended with a failure\n" : "server stopped\n");
    return serverFailed ? 1 : status;
}

const qvxutil::Command::Registration registration{
    {"demo", "demo",
     "message server and client on a loopback port in this process: a few requests", &runDemo}};

}  // namespace
