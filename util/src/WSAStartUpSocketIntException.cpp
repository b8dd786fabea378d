#include "WSAStartUpSocketIntException.h"

namespace {

const char* const KEY = "START_UP_SOCKET_EXCEPTION_KEY";
const char* const MESSAGE = "Winsock2 failed to startup when told to";

}  // namespace

WSAStartUpSocketIntException::WSAStartUpSocketIntException(const std::string& sourceFile,
                                                           unsigned int line)
    : SocketIntException(nullptr, MESSAGE, KEY, sourceFile, line)
{
}

WSAStartUpSocketIntException::WSAStartUpSocketIntException(
    const WSAStartUpSocketIntException& other) = default;

WSAStartUpSocketIntException::~WSAStartUpSocketIntException() = default;
