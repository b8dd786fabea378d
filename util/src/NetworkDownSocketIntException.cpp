#include "NetworkDownSocketIntException.h"

namespace {

const char* const KEY = "NETWORK_DOWN_EXCEPTION_KEY";
const char* const MESSAGE = "The network seems to be down";

}  // namespace

NetworkDownSocketIntException::NetworkDownSocketIntException(const std::string& sourceFile,
                                                             unsigned int line)
    : SocketIntException(MESSAGE, KEY, sourceFile, line)
{
}

NetworkDownSocketIntException::NetworkDownSocketIntException(
    const NetworkDownSocketIntException& other) = default;

NetworkDownSocketIntException::~NetworkDownSocketIntException() = default;
