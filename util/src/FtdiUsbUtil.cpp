#include "FtdiUsbUtil.h"

#include <cstdint>
#include <limits>

#include "CommunicationHardwareException.h"
#include "FtdiDriver.h"
#include "HardwareException.h"
#include "StringUtil.h"
#include "kbrAssert.h"

namespace {

// Driver statuses this class gives its own meaning to.
constexpr std::uint32_t FT_OK = 0;
constexpr std::uint32_t FT_DEVICE_NOT_OPENED = 3;

// Key and message of each driver status: the message is before + description + after.
struct StatusText
{
    const char* key;
    const char* before;
    const char* after;
};

const StatusText STATUS_TEXTS[] = {
    {nullptr, nullptr, nullptr},  // 0: success, never an error
    {"HW_USB_INVALID_DEVICE_HANDLE_KEY", "An invalid device handle was supplied for the ", " device."},
    {"HW_USB_DEVICE_NOT_FOUND_KEY", "The device ", " was not found."},
    {"HW_USB_DEVICE_NOT_OPENED_KEY", "The device ", " was not opened."},
    {"HW_USB_IO_ERROR_KEY", "A communication error occured with the device ", "."},
    {"HW_USB_INSUFFICIENT_RESOURCES_KEY", "The device ", " has insufficient resources."},
    {"HW_USB_INVALID_PARAMETER_KEY",
     "The usb driver encountered invalid parameters while communicating with the ", " device."},
    {"HW_USB_INVALID_BAUD_RATE_KEY", "An invalid baud rate was use to communicate with the ", " device."},
    {"HW_USB_DEVICE_NOT_OPENED_FOR_ERASE_KEY", "The ", " device does not have erase permissions."},
    {"HW_USB_DEVICE_NOT_OPENED_FOR_WRITE_KEY", "The ", " device does not have write permissions."},
    {"HW_USB_FAILED_TO_WRITE_DEVICE_KEY", "Failed writing to the ", " device."},
    {"HW_USB_EEPROM_READ_FAILED_KEY", "Failed reading the EEPROM of the ", " device."},
    {"HW_USB_EEPROM_WRITE_FAILED_KEY", "Failed writing to the EEPROM of the ", " device."},
    {"HW_USB_EEPROM_ERASE_FAILED_KEY", "Failed erasing the EEPROM of the ", " device."},
    {"HW_USB_EEPROM_NOT_PRESENT_KEY", "The EEPROM of the ", " device is not present."},
    {"HW_USB_EEPROM_NOT_PROGRAMMED_KEY", "The EEPROM of the ", " device is not programmed."},
    {"HW_USB_INVALID_ARGUMENTS_KEY",
     "The usb driver encountered invalid arguments while communicating with the ", " device."},
    {nullptr, nullptr, nullptr},  // 17: a status the driver does not name
    {"HW_USB_UNKOWN_ERROR_KEY", "An unkown error occured while communicating with the ", " device."},
};

}  // namespace

std::map<std::string, void*> FtdiUsbUtil::_deviceDescriptionToHandleMap;

FtdiUsbUtil::FtdiUsbUtil() = default;

FtdiUsbUtil::~FtdiUsbUtil()
{
    try
    {
        closeAllConnections();
    }
    catch (...)
    {
        // A failed check in exception mode; nothing may leave a destructor.
    }
}

void* FtdiUsbUtil::getDeviceHandle(const std::string& deviceDescription)
{
    const auto it = _deviceDescriptionToHandleMap.find(deviceDescription);
    KBR_ASSERT(it != _deviceDescriptionToHandleMap.end());
    return it != _deviceDescriptionToHandleMap.end() ? it->second : nullptr;
}

void* FtdiUsbUtil::getOpenDeviceHandle(const std::string& deviceDescription)
{
    void* const handle = getDeviceHandle(deviceDescription);
    if (handle == nullptr)
        handleError(FT_DEVICE_NOT_OPENED, deviceDescription);
    return handle;
}

void FtdiUsbUtil::connect(const std::string& deviceDescription)
{
    void* handle = nullptr;
    const std::uint32_t status = qvx::platform::ftdiDriver().openByDescription(deviceDescription, &handle);
    if (status != FT_OK)
        handleError(status, deviceDescription);
    if (handle == nullptr)
        handleError(FT_DEVICE_NOT_OPENED, deviceDescription);
    void*& recorded = _deviceDescriptionToHandleMap[deviceDescription];
    void* const replaced = recorded;
    recorded = handle;
    if (replaced != nullptr && replaced != handle)
        qvx::platform::ftdiDriver().close(replaced);
}

void FtdiUsbUtil::disconnect(const std::string& deviceDescription)
{
    const auto it = _deviceDescriptionToHandleMap.find(deviceDescription);
    KBR_ASSERT(it != _deviceDescriptionToHandleMap.end());
    if (it == _deviceDescriptionToHandleMap.end() || it->second == nullptr)
        return;
    void* const handle = it->second;
    // Forgotten before the close: whatever the driver answers, the handle is
    // not used again.
    it->second = nullptr;
    const std::uint32_t status = qvx::platform::ftdiDriver().close(handle);
    if (status != FT_OK)
        handleError(status, deviceDescription);
}

void FtdiUsbUtil::reconnect(const std::string& deviceDescription)
{
    try
    {
        disconnect(deviceDescription);
    }
    catch (const HardwareException&)
    {
        // A device that fails to close is reopened all the same.
    }
    connect(deviceDescription);
}

void FtdiUsbUtil::sendMessage(const std::string& deviceDescription, const std::string& message)
{
    void* const handle = getOpenDeviceHandle(deviceDescription);
    const std::string::size_type numberOfBytesToWrite = message.size();
    // The driver counts in 32 bits whatever the width of unsigned long.
    if (numberOfBytesToWrite > std::numeric_limits<std::uint32_t>::max())
    {
        showKbrAssert("numberOfBytesToWrite <= ULONG_MAX", __FILE__, __LINE__);
        return;
    }
    const std::uint32_t size = static_cast<std::uint32_t>(numberOfBytesToWrite);
    std::uint32_t numberOfBytesWritten = 0;
    std::uint32_t status =
        qvx::platform::ftdiDriver().write(handle, message.data(), size, &numberOfBytesWritten);
    if (status != FT_OK)
    {
        reconnect(deviceDescription);
        numberOfBytesWritten = 0;
        status = qvx::platform::ftdiDriver().write(getOpenDeviceHandle(deviceDescription), message.data(),
                                                   size, &numberOfBytesWritten);
        if (status != FT_OK)
            handleError(status, deviceDescription);
    }
    KBR_ASSERT(numberOfBytesWritten == numberOfBytesToWrite);
}

unsigned long FtdiUsbUtil::getLengthOfReply(const std::string& deviceDescription)
{
    std::uint32_t length = 0;
    std::uint32_t status =
        qvx::platform::ftdiDriver().queueStatus(getOpenDeviceHandle(deviceDescription), &length);
    if (status != FT_OK)
    {
        reconnect(deviceDescription);
        length = 0;
        status = qvx::platform::ftdiDriver().queueStatus(getOpenDeviceHandle(deviceDescription), &length);
        if (status != FT_OK)
            handleError(status, deviceDescription);
    }
    return length;
}

std::list<std::string> FtdiUsbUtil::getReplies(const std::string& deviceDescription)
{
    const unsigned long length = getLengthOfReply(deviceDescription);
    if (length == 0)
        throw CommunicationHardwareException(
            "A message was sent to the " + deviceDescription + " device, but it did not reply.",
            "HW_USB_EXPECTED_REPLY_ERROR_KEY", deviceDescription);

    const std::uint32_t size = static_cast<std::uint32_t>(length);
    std::string reply(size, '\0');
    std::uint32_t bytesRead = 0;
    std::uint32_t status =
        qvx::platform::ftdiDriver().read(getOpenDeviceHandle(deviceDescription), &reply[0], size, &bytesRead);
    if (status != FT_OK)
    {
        reconnect(deviceDescription);
        bytesRead = 0;
        status = qvx::platform::ftdiDriver().read(getOpenDeviceHandle(deviceDescription), &reply[0], size,
                                                  &bytesRead);
        if (status != FT_OK)
            handleError(status, deviceDescription);
    }
    if (bytesRead < size)
    {
        // Once more into the start of the same buffer: what the short read
        // brought is given up.
        bytesRead = 0;
        status = qvx::platform::ftdiDriver().read(getOpenDeviceHandle(deviceDescription), &reply[0], size,
                                                  &bytesRead);
        if (status != FT_OK)
            handleError(status, deviceDescription);
        if (bytesRead < size)
            throw CommunicationHardwareException(
                "The usb connection to the " + deviceDescription + " device has timed out.",
                "HW_USB_CONNECTION_TIMEOUT_KEY", deviceDescription);
    }
    const std::string::size_type zero = reply.find('\0');
    if (zero != std::string::npos)
        reply.resize(zero);
    return StringUtil::split(reply, "\n");
}

std::list<std::string> FtdiUsbUtil::sendMessageAndGetReplies(const std::string& deviceDescription,
                                                             const std::string& message)
{
    sendMessage(deviceDescription, message);
    return getReplies(deviceDescription);
}

void FtdiUsbUtil::closeAllConnections()
{
    for (const auto& entry : _deviceDescriptionToHandleMap)
    {
        try
        {
            disconnect(entry.first);
        }
        catch (...)
        {
            // A device that fails to close (or fails a check while closing, in
            // exception mode) does not keep the others open.
        }
    }
}

void FtdiUsbUtil::handleError(unsigned long status, const std::string& deviceDescription)
{
    const StatusText* const text = status < sizeof STATUS_TEXTS / sizeof STATUS_TEXTS[0] &&
                                           STATUS_TEXTS[status].key != nullptr
                                       ? &STATUS_TEXTS[status]
                                       : nullptr;
    if (text == nullptr)
    {
        showKbrAssert("false", __FILE__, __LINE__);
        throw CommunicationHardwareException("", "", deviceDescription);
    }
    throw CommunicationHardwareException(text->before + deviceDescription + text->after, text->key,
                                         deviceDescription);
}
