#include "HardwareException.h"

#include "kbrAssert.h"

HardwareException::HardwareException(const std::string& message, const std::string& key,
                                     const std::list<std::string>& parameters)
    : XrayTesterException(message, key, parameters)
{
}

HardwareException::HardwareException(const std::string& message, const std::string& key,
                                     const std::string& p1)
    : XrayTesterException(message, key, p1)
{
}

HardwareException::HardwareException(const std::string& message, const std::string& key,
                                     const std::string& p1, const std::string& p2)
    : XrayTesterException(message, key, p1, p2)
{
}

HardwareException::HardwareException(const HardwareException& other) = default;

HardwareException::~HardwareException() = default;

std::string HardwareException::fmtIPAddressPort(const std::string& iPAddress, unsigned short port)
{
    KBR_ASSERT(! iPAddress.empty());
    // std::to_string writes the digits a classic-locale stream writes.
    return iPAddress + ':' + std::to_string(port);
}
