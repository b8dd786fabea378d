#include "MessageHandlers.h"

#include "CurrentTime.h"
#include "HashUnit.h"
#include "StringUtil.h"

namespace qvxutil {

namespace {

const char* const HANDLER_NAMES[] = {"echo", "upper", "hash", "time"};

}  // namespace

std::string messageHandlerNames()
{
    std::string names;
    for (const char* name : HANDLER_NAMES)
        names += (names.empty() ? "" : ", ") + std::string(name);
    return names;
}

bool isMessageHandlerName(const std::string& name)
{
    for (const char* known : HANDLER_NAMES)
        if (name == known)
            return true;
    return false;
}

std::string answerWith(const std::string& handler, const std::string& request)
{
    if (handler == "upper")
        return StringUtil::getUpperCase(request);
    if (handler == "hash")
        return HashUnit::getHashName(request);
    if (handler == "time")
        return CurrentTime().fmt();  // the request is not read
    return request;
}

NamedMessageHandler::NamedMessageHandler(const std::string& name) : _name(name) {}

std::vector<std::string> NamedMessageHandler::processTextMessage(const std::string& message)
{
    return {answerWith(_name, message)};
}

std::vector<char> NamedMessageHandler::processRawMessage(const std::vector<char>& message)
{
    if (_name == "echo")
        return message;
    const std::string answer = answerWith(_name, std::string(message.begin(), message.end()));
    return std::vector<char>(answer.begin(), answer.end());
}

}  // namespace qvxutil
