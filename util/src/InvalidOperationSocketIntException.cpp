#include "InvalidOperationSocketIntException.h"

namespace {

const char* const KEY = "INVALID_OPERATION_ON_SOCKET_EXCEPTION_KEY";
const char* const MESSAGE = "Invalid Operation on Winsock2 was called";

}  // namespace

InvalidOperationSocketIntException::InvalidOperationSocketIntException(
    const std::string& sourceFile, unsigned int line)
    : SocketIntException(MESSAGE, KEY, sourceFile, line)
{
}

InvalidOperationSocketIntException::InvalidOperationSocketIntException(
    const InvalidOperationSocketIntException& other) = default;

InvalidOperationSocketIntException::~InvalidOperationSocketIntException() = default;
