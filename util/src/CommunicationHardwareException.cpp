#include "CommunicationHardwareException.h"

CommunicationHardwareException::CommunicationHardwareException(const std::string& message,
                                                               const std::string& key,
                                                               const std::string& p1)
    : HardwareException(message, key, p1)
{
}

CommunicationHardwareException::CommunicationHardwareException(
    const CommunicationHardwareException& other) = default;

CommunicationHardwareException::~CommunicationHardwareException() = default;
