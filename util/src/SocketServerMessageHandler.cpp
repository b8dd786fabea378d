#include "SocketServerMessageHandler.h"

SocketServerMessageHandler::SocketServerMessageHandler() = default;

SocketServerMessageHandler::~SocketServerMessageHandler() = default;
