#ifndef QVX_FTDI_DRIVER_H
#define QVX_FTDI_DRIVER_H

#include <cstdint>
#include <string>
#include <vector>

#include "QvxExport.h"

// The USB driver of FTDI devices as the USB classes see it: open a device by
// its product description, close it, write bytes, ask how many received bytes
// wait in its queue, read them. A test (here or in a program that uses the
// library) scripts devices by installing its own driver.
//
// The host's own driver (libftdi1 on libusb) answers like this:
//   open       enumerates the FTDI devices on the bus (the standard FTDI vendor
//              and product ids), reads each product string and opens the first
//              whose description matches exactly, byte for byte. Each open
//              handle keeps its own libusb context and a 64 KiB receive buffer.
//   queue      drains the device without blocking (a USB read time-out of
//              50 ms, longer than the chip's default 16 ms latency, so a quiet
//              device answers with its empty status packet) into the receive
//              buffer and answers the bytes held there. A full buffer stops the
//              drain; the rest waits in the device.
//   read       takes from the receive buffer first, then waits for the rest at
//              most 5000 ms (libftdi's default read time-out) in all; a time-out
//              is success with fewer bytes, as the driver interface defines it.
//   write      writes every byte (USB write time-out 5000 ms).
//   close      always releases the handle, its context and its buffer; the
//              status says whether the device let go cleanly.
// Statuses of the host's driver:
//   libusb cannot start, no USB bus, no FTDI device
//   or none with that description                   2 device not found
//   a device with that description is there but cannot
//   be opened (in use, no permission), or some device's
//   description cannot be read and none matched      3 device not opened
//   a handle that is not open (never opened, closed)  1 invalid handle
//   null out-parameter or data pointer               6 invalid parameter
//   a failed USB transfer (write, drain, read; also a
//   device unplugged) or a failed release at close   4 I/O error
//   no memory for the context or the buffer          5 insufficient resources
// Handles are never reused: a closed handle stays invalid even after later
// opens, so a stale handle can never reach another device.
// The host's driver may be used from several threads; calls on one handle are
// serialised inside it.
namespace qvx { namespace platform {
// The five calls of the D2XX driver interface that the USB classes use.
// Statuses and counts are the interface's 32-bit values; 0 is success.
class QVXUTIL_API FtdiDriver {
public:
    virtual ~FtdiDriver();
    virtual std::uint32_t openByDescription(const std::string& description, void** handle) = 0;
    virtual std::uint32_t close(void* handle) = 0;
    virtual std::uint32_t write(void* handle, const void* data, std::uint32_t size, std::uint32_t* written) = 0;
    virtual std::uint32_t queueStatus(void* handle, std::uint32_t* bytesWaiting) = 0;
    virtual std::uint32_t read(void* handle, void* buffer, std::uint32_t size, std::uint32_t* bytesRead) = 0;
};
// The driver in use: the host's own unless one was installed.
QVXUTIL_API FtdiDriver& ftdiDriver();
// Installs a driver (nullptr: the host's own again); returns the one it replaces.
QVXUTIL_API FtdiDriver* installFtdiDriver(FtdiDriver* driver);
}}

namespace qvx {
namespace platform {

// The host's own driver, whatever is installed.
QVXUTIL_API FtdiDriver& hostFtdiDriver();

// One FTDI device on the bus, as the host's driver sees it.
struct FtdiDeviceInfo
{
    std::string description;   // the product string, the name to open it by
    std::string serialNumber;  // empty when the device reports none
};

// What a look at the bus found.
struct FtdiBusListing
{
    std::vector<FtdiDeviceInfo> devices;  // in bus order
    unsigned int withoutPermission = 0;   // devices this process may not open
    unsigned int unreadable = 0;          // devices whose strings could not be read otherwise
};

// Lists the FTDI devices on the bus through the host's driver (never through
// an installed one). Returns 0, or 4 when the bus cannot be enumerated and
// 5 when memory runs out. A machine without a USB bus has no devices.
QVXUTIL_API std::uint32_t listFtdiDevices(FtdiBusListing& listing);

}  // namespace platform
}  // namespace qvx

#endif
