#include "Exception.h"

Exception::Exception(const std::string& message) : _message(message)
{
}

Exception::Exception(const Exception& other) = default;

Exception::~Exception() = default;

std::string Exception::getMessage() const
{
    return _message;
}
