#include "BrokenPipeSocketIntException.h"

namespace {

const char* const KEY = "SOCKET_BROKEN_PIPE_EXCEPTION_KEY";
const char* const MESSAGE = "I/O operation failed on a EPIPE error";

}  // namespace

BrokenPipeSocketIntException::BrokenPipeSocketIntException(const SocketInt* socket,
                                                           const std::string& sourceFile,
                                                           unsigned int line)
    : SocketIntException(socket, MESSAGE, KEY, sourceFile, line)
{
}

BrokenPipeSocketIntException::BrokenPipeSocketIntException(
    const BrokenPipeSocketIntException& other) = default;

BrokenPipeSocketIntException::~BrokenPipeSocketIntException() = default;
