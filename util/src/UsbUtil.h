#ifndef QVX_USB_UTIL_H
#define QVX_USB_UTIL_H

#include <list>
#include <map>
#include <string>

#include "QvxExport.h"

// The face of a USB driver family: devices are named by their description
// string; a caller connects to one, sends it command text and collects its
// text replies. The class also keeps the process-wide registry of driver
// instances, one per driver type, counted by references: every getInstance is
// paired with one removeInstance of the same type, and the last removeInstance
// destroys the instance (for the FTDI driver that closes every device it
// connected). A later getInstance makes a fresh instance.
//
// The registry is process-wide and takes no lock: calls of getInstance and
// removeInstance must not overlap; callers serialise them. Instances still
// registered when the process ends are not destroyed.
//
// Choices of ours:
// - An unknown driver type is registered with a null instance (after the
//   failed checks) until its matching removeInstance, which destroys nothing.
// - removeInstance of a type that is not registered, when its failed check
//   returns: the tables stay as they are and the pointer is set to null.
class QVXUTIL_API UsbUtil
{
public:
    // A fixed underlying type, so that any int a caller passes is a value of
    // the type (and is refused by getInstance) rather than undefined behaviour.
    enum UsbDriverTypeEnum : int
    {
        usbDriverType_FTDI = 0
    };

    UsbUtil();
    // Copy and assignment copy nothing: the class has no state of its own.
    UsbUtil(const UsbUtil& other);
    UsbUtil& operator=(const UsbUtil& other);
    virtual ~UsbUtil();

    virtual void connect(const std::string& deviceDescription) = 0;
    virtual void disconnect(const std::string& deviceDescription) = 0;
    virtual void sendMessage(const std::string& deviceDescription, const std::string& message) = 0;
    virtual std::list<std::string> getReplies(const std::string& deviceDescription) = 0;
    virtual std::list<std::string> sendMessageAndGetReplies(const std::string& deviceDescription,
                                                            const std::string& message) = 0;

    // The shared instance of the type, made on first use; adds one reference.
    static UsbUtil* getInstance(UsbDriverTypeEnum usbDriverType);
    // Gives back one reference of the type (pInstance is not consulted) and
    // always sets pInstance to null.
    static void removeInstance(UsbDriverTypeEnum usbDriverType, UsbUtil*& pInstance);

private:
    static std::map<UsbDriverTypeEnum, UsbUtil*> _usbDriverTypeToInstanceMap;
    static std::map<UsbDriverTypeEnum, int> _usbDriverTypeToReferenceCountMap;
};

#endif
