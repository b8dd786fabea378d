#ifndef QVXUTIL_MESSAGE_HANDLERS_H
#define QVXUTIL_MESSAGE_HANDLERS_H

#include <string>
#include <vector>

#include "SocketServerMessageHandler.h"

// The message handlers built into qvxutil's serve and demo commands.
namespace qvxutil {

// "echo, upper, hash, time": the names accepted by --handler.
std::string messageHandlerNames();
bool isMessageHandlerName(const std::string& name);

// One handler's answer to one request text.
std::string answerWith(const std::string& handler, const std::string& request);

// Answers every request with the named handler: one line in text mode, the
// answer's bytes (unframed) in raw mode.
class NamedMessageHandler : public SocketServerMessageHandler
{
public:
    explicit NamedMessageHandler(const std::string& name);
    std::vector<std::string> processTextMessage(const std::string& message) override;
    std::vector<char> processRawMessage(const std::vector<char>& message) override;

private:
    std::string _name;
};

}  // namespace qvxutil

#endif
