#ifndef QVX_TEST_RUNNING_SERVER_H
#define QVX_TEST_RUNNING_SERVER_H

// A SocketServer on a free port whose loop runs on its own thread, and a
// handler that answers through a callable and records its calls.
#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <fstream>
#include <thread>

#include "AssertException.h"
#include "LoopbackPeer.h"
#include "SocketException.h"
#include "SocketServer.h"
#include "SocketServerMessageHandler.h"

namespace qvxtest {

using Lines = std::vector<std::string>;

// "KEY: message" of the SocketException that call throws, or "no exception".
inline std::string socketFailure(const std::function<void()>& call)
{
    try
    {
        call();
    }
    catch (const SocketException& e)
    {
        return e.getKey() + ": " + e.getMessage();
    }
    return "no exception";
}

class ScriptedHandler : public SocketServerMessageHandler
{
public:
    using Text = std::function<Lines(const std::string&)>;
    using Raw = std::function<std::vector<char>(const std::vector<char>&)>;
    explicit ScriptedHandler(Text text = Text(), Raw raw = Raw()) : _text(std::move(text)), _raw(std::move(raw)) {}

    Lines processTextMessage(const std::string& message) override
    {
        record(message);
        return _text ? _text(message) : Lines{message};
    }
    std::vector<char> processRawMessage(const std::vector<char>& message) override
    {
        record(std::string(message.begin(), message.end()));
        return _raw(message);
    }
    // The calls so far, once there are count of them (or after 10 s).
    Lines calls(std::size_t count = 0)
    {
        std::unique_lock<std::mutex> lock(_mutex);
        _changed.wait_for(lock, std::chrono::seconds(10), [&] { return _calls.size() >= count; });
        return _calls;
    }

private:
    void record(const std::string& message)
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _calls.push_back(message);
        _changed.notify_all();
    }
    const Text _text;
    const Raw _raw;
    std::mutex _mutex;
    std::condition_variable _changed;
    Lines _calls;
};

class RunningServer
{
public:
    RunningServer(SocketServerMessageHandler& handler, const std::string& marker,
                  SocketServer::SocketServerModeEnum mode = SocketServer::TextMode)
    {
        while (!_server)  // the free port may be taken meanwhile by another test
        {
            _port = net::socketFreeLoopbackPort();
            try
            {
                _server = std::make_unique<SocketServer>(_port, handler, marker, mode);
            }
            catch (const SocketException&)
            {
            }
        }
        _thread = std::thread([this] { run(); });
        // A killServer() before the loop starts is undone by it: wait until
        // the loop is in its first accept.
        waitUntilAccepting();
    }
    ~RunningServer() { stop(); }

    int port() const { return _port; }
    SocketServer& server() { return *_server; }
    // Waits (up to 10 s) until the loop waits for a client: the last one's
    // socket is closed by then.
#if defined(_WIN32)
    // Windows shows no thread's current system call: the loop, once running,
    // is given a moment to reach its accept.
    void waitUntilAccepting()
    {
        while (_loopThreadId.load() == 0)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
#else
    void waitUntilAccepting() { waitUntilLoopIn(SYS_accept4); }
#endif
    // The thread that runs the loop, for signals aimed at it.
    std::thread::native_handle_type loopThread() { return _thread.native_handle(); }

    void stop()
    {
        _server->killServer();
        join();
    }
    // How the loop ended: "no exception", a failed check's condition, or KEY: message.
    const std::string& join()
    {
        if (_thread.joinable())
            _thread.join();
        return _outcome;
    }

private:
#if !defined(_WIN32)
    // Waits (up to 10 s) until the loop's thread is blocked in the system call.
    void waitUntilLoopIn(long call)
    {
        while (_loopThreadId.load() == 0)
            std::this_thread::yield();
        const std::string path = "/proc/self/task/" + std::to_string(_loopThreadId.load()) + "/syscall";
        for (int i = 0; i < 10000; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(1)))
        {
            std::ifstream state(path);
            long current = -1;
            if (state >> current && current == call)
                return;
        }
    }
#endif

    void run()
    {
#if defined(_WIN32)
        _loopThreadId.store(static_cast<long>(::GetCurrentThreadId()));
#else
        _loopThreadId.store(static_cast<long>(::syscall(SYS_gettid)));
#endif
        try
        {
            _outcome = socketFailure([this] { _server->acceptConnections(); });
        }
        catch (const AssertException& e)
        {
            _outcome = e.getParameter(0);
        }
        _finished.store(true);
    }

    int _port = 0;
    std::unique_ptr<SocketServer> _server;
    std::thread _thread;
    std::string _outcome;
    std::atomic<bool> _finished{false};
    std::atomic<long> _loopThreadId{0};
};

}  // namespace qvxtest

#endif
