#include "SocketException.h"

SocketException::SocketException(const std::string& message, const std::string& key)
    : XrayTesterException(message, key)
{
}

SocketException::SocketException(const SocketException& other) = default;

SocketException::~SocketException() = default;
