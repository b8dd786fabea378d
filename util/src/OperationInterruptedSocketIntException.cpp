#include "OperationInterruptedSocketIntException.h"

namespace {

const char* const KEY = "SOCKET_OPERATION_INTERRUPTED_EXCEPTION_KEY";
const char* const MESSAGE = "Last Operation Interupted before completion";

}  // namespace

OperationInterruptedSocketIntException::OperationInterruptedSocketIntException(
    const SocketInt* socket, const std::string& sourceFile, unsigned int line)
    : SocketIntException(socket, MESSAGE, KEY, sourceFile, line)
{
}

OperationInterruptedSocketIntException::OperationInterruptedSocketIntException(
    const std::string& sourceFile, unsigned int line)
    : SocketIntException(MESSAGE, KEY, sourceFile, line)
{
}

OperationInterruptedSocketIntException::OperationInterruptedSocketIntException(
    const OperationInterruptedSocketIntException& other) = default;

OperationInterruptedSocketIntException::~OperationInterruptedSocketIntException() = default;
