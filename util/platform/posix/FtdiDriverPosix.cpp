// The host's FTDI driver on libftdi1 (and libusb underneath).
#include "FtdiDriver.h"

#include <libusb.h>
#include <ftdi.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>

namespace qvx {
namespace platform {

namespace {

// Statuses of the driver interface that this driver answers.
constexpr std::uint32_t OK = 0;
constexpr std::uint32_t INVALID_HANDLE = 1;
constexpr std::uint32_t DEVICE_NOT_FOUND = 2;
constexpr std::uint32_t DEVICE_NOT_OPENED = 3;
constexpr std::uint32_t IO_ERROR = 4;
constexpr std::uint32_t INSUFFICIENT_RESOURCES = 5;
constexpr std::uint32_t INVALID_PARAMETER = 6;

constexpr std::size_t RECEIVE_BUFFER_SIZE = 64 * 1024;
constexpr int DRAIN_TIMEOUT_MS = 50;
constexpr int READ_TIMEOUT_MS = 5000;
constexpr int WRITE_TIMEOUT_MS = 5000;
// libftdi counts in int; larger requests go in pieces of this size.
constexpr std::uint32_t MAX_PIECE = 1u << 30;
// Product strings are at most 126 characters in a USB string descriptor.
constexpr int STRING_SIZE = 256;

// ftdi_init's answer when libusb cannot start.
constexpr int LIBUSB_INIT_FAILED = -3;

// A libftdi context that ends itself.
class Context
{
public:
    Context() = default;
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    ~Context()
    {
        if (_ready)
            ftdi_deinit(&_ftdi);
    }

    // 0, or the status of a failed start.
    std::uint32_t start()
    {
        const int rc = ftdi_init(&_ftdi);
        _ready = true;  // ftdi_deinit is safe after any ftdi_init, failed or not
        if (rc == LIBUSB_INIT_FAILED)
            return DEVICE_NOT_FOUND;
        return rc < 0 ? INSUFFICIENT_RESOURCES : OK;
    }

    ftdi_context* get() { return &_ftdi; }

private:
    ftdi_context _ftdi{};
    bool _ready = false;
};

// The FTDI devices found on a context's bus; freed with the list.
class DeviceList
{
public:
    DeviceList() = default;
    DeviceList(const DeviceList&) = delete;
    DeviceList& operator=(const DeviceList&) = delete;
    ~DeviceList() { ftdi_list_free(&_list); }

    // 0, or the status of a failed enumeration.
    std::uint32_t find(ftdi_context* ftdi)
    {
        // Vendor and product 0: libftdi's table of the standard FTDI ids.
        const int n = ftdi_usb_find_all(ftdi, &_list, 0, 0);
        if (n >= 0)
            return OK;
        return n == -3 ? INSUFFICIENT_RESOURCES : IO_ERROR;
    }

    const ftdi_device_list* first() const { return _list; }

private:
    ftdi_device_list* _list = nullptr;
};

enum class StringsRead { Read, NoPermission, Failed };

// Reads the product string and serial number of one device, opening it
// briefly on its own so that the reason of a refusal is known.
StringsRead readStrings(libusb_device* device, char (&description)[STRING_SIZE],
                        char (&serial)[STRING_SIZE])
{
    description[0] = '\0';
    serial[0] = '\0';
    libusb_device_descriptor descriptor;
    if (libusb_get_device_descriptor(device, &descriptor) != 0)
        return StringsRead::Failed;
    libusb_device_handle* handle = nullptr;
    const int rc = libusb_open(device, &handle);
    if (rc != 0)
        return rc == LIBUSB_ERROR_ACCESS ? StringsRead::NoPermission : StringsRead::Failed;
    unsigned char* const d = reinterpret_cast<unsigned char*>(description);
    unsigned char* const s = reinterpret_cast<unsigned char*>(serial);
    // A device without a product string has the empty description.
    const bool read =
        (descriptor.iProduct == 0 ||
         libusb_get_string_descriptor_ascii(handle, descriptor.iProduct, d, STRING_SIZE) >= 0) &&
        (descriptor.iSerialNumber == 0 ||
         libusb_get_string_descriptor_ascii(handle, descriptor.iSerialNumber, s, STRING_SIZE) >= 0);
    libusb_close(handle);
    description[STRING_SIZE - 1] = '\0';
    serial[STRING_SIZE - 1] = '\0';
    return read ? StringsRead::Read : StringsRead::Failed;
}

// One open device. Its calls are serialised by its mutex; open is false once
// it has been closed, for callers still holding it.
struct Device
{
    std::mutex mutex;
    bool open = false;
    Context context;
    std::unique_ptr<unsigned char[]> received;
    std::size_t start = 0;  // first unread byte of received
    std::size_t end = 0;    // one past the last

    std::uint32_t held() const { return static_cast<std::uint32_t>(end - start); }
};

std::uint32_t transferStatus(int rc)
{
    return rc == LIBUSB_ERROR_NO_MEM ? INSUFFICIENT_RESOURCES : IO_ERROR;
}

class LibftdiDriver : public FtdiDriver
{
public:
    std::uint32_t openByDescription(const std::string& description, void** handle) override;
    std::uint32_t close(void* handle) override;
    std::uint32_t write(void* handle, const void* data, std::uint32_t size,
                        std::uint32_t* written) override;
    std::uint32_t queueStatus(void* handle, std::uint32_t* bytesWaiting) override;
    std::uint32_t read(void* handle, void* buffer, std::uint32_t size,
                       std::uint32_t* bytesRead) override;

private:
    using Id = std::uintptr_t;

    // The open device of a handle, locked for one call; empty when the handle
    // is not open. Holding the device keeps it alive while the call runs, even
    // when another thread closes it meanwhile.
    struct Locked
    {
        std::shared_ptr<Device> device;
        std::unique_lock<std::mutex> lock;
    };
    Locked lockOpen(void* handle)
    {
        Locked locked;
        {
            std::lock_guard<std::mutex> table(_tableMutex);
            const auto it = _devices.find(reinterpret_cast<Id>(handle));
            if (it == _devices.end())
                return locked;
            locked.device = it->second;
        }
        locked.lock = std::unique_lock<std::mutex>(locked.device->mutex);
        if (!locked.device->open)
        {
            locked.lock.unlock();
            locked.device.reset();
        }
        return locked;
    }

    // Moves unread bytes to the front, then fills the receive buffer from the
    // device until it has nothing more to give or the buffer is full.
    static std::uint32_t drain(Device& device);

    std::mutex _tableMutex;
    std::map<Id, std::shared_ptr<Device>> _devices;
    Id _nextId = 1;  // never reused; 0 would be a null handle
};

std::uint32_t LibftdiDriver::openByDescription(const std::string& description, void** handle)
{
    if (handle == nullptr)
        return INVALID_PARAMETER;
    *handle = nullptr;
    std::shared_ptr<Device> device;
    try
    {
        device = std::make_shared<Device>();
        device->received.reset(new unsigned char[RECEIVE_BUFFER_SIZE]);
    }
    catch (const std::bad_alloc&)
    {
        return INSUFFICIENT_RESOURCES;
    }
    std::uint32_t status = device->context.start();
    if (status != OK)
        return status;
    ftdi_context* const ftdi = device->context.get();

    DeviceList list;
    status = list.find(ftdi);
    if (status != OK)
        return status;
    bool unreadable = false;
    char found[STRING_SIZE];
    char serial[STRING_SIZE];
    for (const ftdi_device_list* entry = list.first(); entry != nullptr; entry = entry->next)
    {
        if (readStrings(entry->dev, found, serial) != StringsRead::Read)
        {
            unreadable = true;
            continue;
        }
        if (description != found)
            continue;
        if (ftdi_usb_open_dev(ftdi, entry->dev) != 0)
            return DEVICE_NOT_OPENED;
        ftdi->usb_read_timeout = READ_TIMEOUT_MS;
        ftdi->usb_write_timeout = WRITE_TIMEOUT_MS;
        device->open = true;
        try
        {
            std::lock_guard<std::mutex> lock(_tableMutex);
            const Id id = _nextId++;
            _devices.emplace(id, device);
            *handle = reinterpret_cast<void*>(id);
        }
        catch (const std::bad_alloc&)
        {
            ftdi_usb_close(ftdi);
            return INSUFFICIENT_RESOURCES;
        }
        return OK;
    }
    // A device that could not be asked may be the one wanted.
    return unreadable ? DEVICE_NOT_OPENED : DEVICE_NOT_FOUND;
}

std::uint32_t LibftdiDriver::close(void* handle)
{
    std::shared_ptr<Device> device;
    {
        std::lock_guard<std::mutex> lock(_tableMutex);
        const auto it = _devices.find(reinterpret_cast<Id>(handle));
        if (it == _devices.end())
            return INVALID_HANDLE;
        device = std::move(it->second);
        _devices.erase(it);
    }
    std::lock_guard<std::mutex> lock(device->mutex);
    device->open = false;
    const int rc = ftdi_usb_close(device->context.get());
    // The context and the buffer go with the last holder of the device.
    return rc == 0 ? OK : IO_ERROR;
}

std::uint32_t LibftdiDriver::write(void* handle, const void* data, std::uint32_t size,
                                   std::uint32_t* written)
{
    if (written == nullptr || (data == nullptr && size > 0))
        return INVALID_PARAMETER;
    *written = 0;
    const Locked locked = lockOpen(handle);
    if (!locked.device)
        return INVALID_HANDLE;
    Device& device = *locked.device;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    while (*written < size)
    {
        const std::uint32_t piece = std::min(size - *written, MAX_PIECE);
        const int rc = ftdi_write_data(device.context.get(), bytes + *written, static_cast<int>(piece));
        if (rc < 0)
            return transferStatus(rc);
        *written += static_cast<std::uint32_t>(rc);
        if (static_cast<std::uint32_t>(rc) < piece)
            break;  // the device took no more within the time-out
    }
    return OK;
}

std::uint32_t LibftdiDriver::drain(Device& device)
{
    if (device.start > 0)
    {
        std::memmove(device.received.get(), device.received.get() + device.start, device.held());
        device.end -= device.start;
        device.start = 0;
    }
    ftdi_context* const ftdi = device.context.get();
    ftdi->usb_read_timeout = DRAIN_TIMEOUT_MS;
    std::uint32_t status = OK;
    while (device.end < RECEIVE_BUFFER_SIZE)
    {
        const int rc = ftdi_read_data(ftdi, device.received.get() + device.end,
                                      static_cast<int>(RECEIVE_BUFFER_SIZE - device.end));
        if (rc == LIBUSB_ERROR_TIMEOUT || rc == 0)
            break;
        if (rc < 0)
        {
            status = transferStatus(rc);
            break;
        }
        device.end += static_cast<std::size_t>(rc);
    }
    ftdi->usb_read_timeout = READ_TIMEOUT_MS;
    return status;
}

std::uint32_t LibftdiDriver::queueStatus(void* handle, std::uint32_t* bytesWaiting)
{
    if (bytesWaiting == nullptr)
        return INVALID_PARAMETER;
    *bytesWaiting = 0;
    const Locked locked = lockOpen(handle);
    if (!locked.device)
        return INVALID_HANDLE;
    Device& device = *locked.device;
    const std::uint32_t status = drain(device);
    if (status != OK)
        return status;
    *bytesWaiting = device.held();
    return OK;
}

std::uint32_t LibftdiDriver::read(void* handle, void* buffer, std::uint32_t size,
                                  std::uint32_t* bytesRead)
{
    if (bytesRead == nullptr || (buffer == nullptr && size > 0))
        return INVALID_PARAMETER;
    *bytesRead = 0;
    const Locked locked = lockOpen(handle);
    if (!locked.device)
        return INVALID_HANDLE;
    Device& device = *locked.device;
    unsigned char* const out = static_cast<unsigned char*>(buffer);

    const std::uint32_t fromBuffer = std::min(size, device.held());
    if (fromBuffer > 0)
        std::memcpy(out, device.received.get() + device.start, fromBuffer);
    device.start += fromBuffer;
    if (device.start == device.end)
        device.start = device.end = 0;
    *bytesRead = fromBuffer;

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(READ_TIMEOUT_MS);
    ftdi_context* const ftdi = device.context.get();
    std::uint32_t status = OK;
    while (*bytesRead < size)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;  // the read time-out: success with what has come
        ftdi->usb_read_timeout = static_cast<int>(left.count());
        const std::uint32_t piece = std::min(size - *bytesRead, MAX_PIECE);
        // A quiet device answers within its latency with no data, so this
        // loop waits on the bus, never spins.
        const int rc = ftdi_read_data(ftdi, out + *bytesRead, static_cast<int>(piece));
        if (rc == LIBUSB_ERROR_TIMEOUT)
            break;
        if (rc < 0)
        {
            status = transferStatus(rc);
            break;
        }
        *bytesRead += static_cast<std::uint32_t>(rc);
    }
    ftdi->usb_read_timeout = READ_TIMEOUT_MS;
    return status;
}

}  // namespace

FtdiDriver& hostFtdiDriver()
{
    static LibftdiDriver driver;
    return driver;
}

std::uint32_t listFtdiDevices(FtdiBusListing& listing)
{
    listing = FtdiBusListing();
    Context context;
    const std::uint32_t started = context.start();
    if (started == DEVICE_NOT_FOUND)
        return OK;  // no USB bus: nothing to list
    if (started != OK)
        return started;
    DeviceList list;
    const std::uint32_t status = list.find(context.get());
    if (status != OK)
        return status;
    char description[STRING_SIZE];
    char serial[STRING_SIZE];
    try
    {
        for (const ftdi_device_list* entry = list.first(); entry != nullptr; entry = entry->next)
        {
            switch (readStrings(entry->dev, description, serial))
            {
            case StringsRead::Read:
                listing.devices.push_back(FtdiDeviceInfo{description, serial});
                break;
            case StringsRead::NoPermission:
                ++listing.withoutPermission;
                break;
            case StringsRead::Failed:
                ++listing.unreadable;
                break;
            }
        }
    }
    catch (const std::bad_alloc&)
    {
        return INSUFFICIENT_RESOURCES;
    }
    return OK;
}

}  // namespace platform
}  // namespace qvx
