#include "Winsock2NotSupportedSocketIntException.h"

namespace {

const char* const KEY = "WINSOCK2_NOT_SUPPORRTED_EXCEPTION_KEY";
const char* const MESSAGE = "Winsock2 non supported on this platform";

}  // namespace

Winsock2NotSupportedSocketIntException::Winsock2NotSupportedSocketIntException(
    const std::string& sourceFile, unsigned int line)
    : SocketIntException(MESSAGE, KEY, sourceFile, line)
{
}

Winsock2NotSupportedSocketIntException::Winsock2NotSupportedSocketIntException(
    const Winsock2NotSupportedSocketIntException& other) = default;

Winsock2NotSupportedSocketIntException::~Winsock2NotSupportedSocketIntException() = default;
