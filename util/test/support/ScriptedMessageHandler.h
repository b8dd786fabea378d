#ifndef QVX_TEST_SCRIPTED_MESSAGE_HANDLER_H
#define QVX_TEST_SCRIPTED_MESSAGE_HANDLER_H

// A message handler for tests: answers through a callable, records every call,
// and lets the test wait for calls made on the server's thread.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "SocketServerMessageHandler.h"

namespace qvxtest {

class ScriptedMessageHandler : public SocketServerMessageHandler
{
public:
    using TextAnswer = std::function<std::vector<std::string>(const std::string&)>;
    using RawAnswer = std::function<std::vector<char>(const std::vector<char>&)>;

    explicit ScriptedMessageHandler(TextAnswer text = TextAnswer(), RawAnswer raw = RawAnswer())
        : _text(std::move(text)), _raw(std::move(raw))
    {
    }

    std::vector<std::string> processTextMessage(const std::string& message) override
    {
        record(message);
        return _text ? _text(message) : std::vector<std::string>{message};
    }

    std::vector<char> processRawMessage(const std::vector<char>& message) override
    {
        record(std::string(message.begin(), message.end()));
        return _raw ? _raw(message) : std::vector<char>();
    }

    // Waits until at least count calls were made; answers the calls so far.
    std::vector<std::string> waitForCalls(std::size_t count, int timeoutMs = 3000)
    {
        std::unique_lock<std::mutex> lock(_mutex);
        _changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [&] { return _calls.size() >= count; });
        return _calls;
    }

    std::vector<std::string> calls()
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _calls;
    }

private:
    void record(const std::string& message)
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _calls.push_back(message);
        _changed.notify_all();
    }

    TextAnswer _text;
    RawAnswer _raw;
    std::mutex _mutex;
    std::condition_variable _changed;
    std::vector<std::string> _calls;
};

}  // namespace qvxtest

#endif
