#ifndef QVX_COMMUNICATION_HARDWARE_EXCEPTION_H
#define QVX_COMMUNICATION_HARDWARE_EXCEPTION_H

#include <string>

#include "HardwareException.h"

// Talking to a device failed. The caller supplies message and key (the USB
// device code uses its "HW_USB_" keys); parameters (p1), taken unchecked.
class QVXUTIL_API CommunicationHardwareException : public HardwareException
{
public:
    CommunicationHardwareException(const std::string& message, const std::string& key,
                                   const std::string& p1);
    CommunicationHardwareException(const CommunicationHardwareException& other);
    virtual ~CommunicationHardwareException();
};

#endif
