#ifndef QVX_FTDI_USB_UTIL_H
#define QVX_FTDI_USB_UTIL_H

#include <list>
#include <map>
#include <string>

#include "QvxExport.h"
#include "UsbUtil.h"

// The UsbUtil of devices behind the FTDI USB driver (qvx::platform::ftdiDriver(),
// the host's own driver unless a test installed one). A device is named by the
// product description it reports. connect opens it and records its handle in a
// table keyed by the description; sendMessage writes the message's bytes as
// they are (no terminator is added; an empty message is a write of 0 bytes);
// getReplies reads every byte queued at that moment (it never waits), cuts the
// text at its first zero byte and splits it into lines at "\n" with
// StringUtil::split, so empty lines are dropped and a reply with no text fails
// split's check. A failed write, queue query or read is retried once after
// closing and reopening the device; every driver failure that remains becomes
// a CommunicationHardwareException whose key names the driver's status, whose
// message names the device and whose one parameter is the description.
//
// The device table is process-wide, shared by every instance, and takes no
// lock: connect, disconnect, the other operations and the destructor read or
// change it, so callers serialise their use of all instances. Messages and
// replies of one device must not interleave between callers either, since a
// reply is whatever is queued when getReplies asks. Entries are never removed:
// destroying an instance closes every device in the table (in ascending order
// of description), and a later instance finds the same, now closed, entries.
//
// Choices of ours:
// - A closed device keeps its entry but no handle: disconnect and a failed
//   reconnect forget the handle as they close it, so no closed handle ever
//   reaches the driver again. Writing, querying or reading a closed device
//   throws "HW_USB_DEVICE_NOT_OPENED_KEY" at once, without a retry (a retry
//   would silently reopen a device its user closed); disconnect of a closed
//   device does nothing.
// - connect of a device that is still open: when the new open succeeds, the
//   handle it replaces is closed (its status ignored) instead of left open.
//   A driver answering success with a null handle counts as "not opened".
// - A description that was never connected fails the check
//   "it != _deviceDescriptionToHandleMap.end()"; if that check returns, the
//   device is treated as closed.
// - A message longer than the driver's 32-bit count fails the check
//   "numberOfBytesToWrite <= ULONG_MAX"; if that check returns, nothing is
//   written (a cut command could do harm).
// - The destructor closes every open device even when one of them fails to
//   close; no failure leaves it.
// - A read that reports more bytes than asked is taken as the full count.
class QVXUTIL_API FtdiUsbUtil : public UsbUtil
{
public:
    FtdiUsbUtil();
    virtual ~FtdiUsbUtil();

    virtual void connect(const std::string& deviceDescription);
    virtual void disconnect(const std::string& deviceDescription);
    virtual void sendMessage(const std::string& deviceDescription, const std::string& message);
    virtual std::list<std::string> getReplies(const std::string& deviceDescription);
    virtual std::list<std::string> sendMessageAndGetReplies(const std::string& deviceDescription,
                                                            const std::string& message);

private:
    static void* getDeviceHandle(const std::string& deviceDescription);
    unsigned long getLengthOfReply(const std::string& deviceDescription);
    void reconnect(const std::string& deviceDescription);
    void closeAllConnections();
    [[noreturn]] void handleError(unsigned long status, const std::string& deviceDescription);

    // Throws "HW_USB_DEVICE_NOT_OPENED_KEY" for a closed device (null handle).
    void* getOpenDeviceHandle(const std::string& deviceDescription);

    static std::map<std::string, void*> _deviceDescriptionToHandleMap;
};

#endif
