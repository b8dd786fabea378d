#ifndef QVX_HARDWARE_EXCEPTION_H
#define QVX_HARDWARE_EXCEPTION_H

#include <list>
#include <string>

#include "XrayTesterException.h"

// Base of device failures. Never thrown itself.
class QVXUTIL_API HardwareException : public XrayTesterException
{
public:
    HardwareException(const HardwareException& other);

protected:
    HardwareException(const std::string& message, const std::string& key,
                      const std::list<std::string>& parameters);
    HardwareException(const std::string& message, const std::string& key, const std::string& p1);
    HardwareException(const std::string& message, const std::string& key, const std::string& p1,
                      const std::string& p2);
    virtual ~HardwareException();

    // "address:port", e.g. "192.168.0.5:3000". Checks "! iPAddress.empty()".
    static std::string fmtIPAddressPort(const std::string& iPAddress, unsigned short port);
};

#endif
