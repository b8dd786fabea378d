#include "SocketInt.h"

SocketInt::SocketInt() : _systemError(0), _socketError(0) {}

SocketInt::SocketInt(const SocketInt& other) = default;

SocketInt& SocketInt::operator=(const SocketInt& other) = default;

SocketInt::~SocketInt() = default;

int SocketInt::getSocketError() const
{
    return _socketError;
}

int SocketInt::getSystemError() const
{
    return _systemError;
}
