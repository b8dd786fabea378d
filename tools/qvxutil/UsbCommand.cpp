// qvxutil usb: the FTDI devices on the bus, and one message to one of them.
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "Command.h"
#include "FtdiDriver.h"
#include "MessageEscapes.h"
#include "UsbUtil.h"

namespace {

// Without --wait, a device gets this long to answer.
constexpr long DEFAULT_WAIT_MS = 200;
constexpr long MAX_WAIT_MS = 600000;

int runList(const qvxutil::Args& args)
{
    if (!args.empty())
        throw qvxutil::UsageError{"usb list takes no arguments"};
    qvx::platform::FtdiBusListing listing;
    const std::uint32_t status = qvx::platform::listFtdiDevices(listing);
    if (status != 0)
    {
        std::cerr << "qvxutil: the USB bus cannot be listed (driver status " << status << ")\n";
        return 1;
    }
    for (const qvx::platform::FtdiDeviceInfo& device : listing.devices)
        std::cout << device.description << '\t'
                  << (device.serialNumber.empty() ? "-" : device.serialNumber) << '\n';
    if (listing.withoutPermission > 0)
        std::cerr << "qvxutil: no permission to open USB devices (" << listing.withoutPermission
                  << " FTDI device(s) not shown)\n";
    if (listing.unreadable > 0)
        std::cerr << "qvxutil: " << listing.unreadable << " FTDI device(s) did not answer\n";
    if (listing.devices.empty() && listing.withoutPermission == 0 && listing.unreadable == 0)
        std::cout << "no FTDI device found\n";
    return listing.devices.empty() && listing.withoutPermission > 0 ? 1 : 0;
}

// Gives back the shared instance on every way out, which closes the device.
class SharedFtdi
{
public:
    SharedFtdi() : _usb(UsbUtil::getInstance(UsbUtil::usbDriverType_FTDI)) {}
    ~SharedFtdi() { UsbUtil::removeInstance(UsbUtil::usbDriverType_FTDI, _usb); }
    SharedFtdi(const SharedFtdi&) = delete;
    SharedFtdi& operator=(const SharedFtdi&) = delete;
    UsbUtil& operator*() const { return *_usb; }

private:
    UsbUtil* _usb;
};

int runSend(const qvxutil::Args& args)
{
    std::vector<std::string> positional;
    long waitMs = DEFAULT_WAIT_MS;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        if (args[i] == "--wait")
        {
            if (i + 1 == args.size())
                throw qvxutil::UsageError{"--wait needs a number of milliseconds"};
            const std::string& text = args[++i];
            char* end = nullptr;
            waitMs = std::strtol(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || waitMs < 0 || waitMs > MAX_WAIT_MS)
                throw qvxutil::UsageError{"--wait must be a number of milliseconds from 0 to 600000: '" +
                                          text + "'"};
        }
        else
            positional.push_back(args[i]);
    }
    if (positional.size() != 2)
        throw qvxutil::UsageError{"usb send needs a device description and one message"};
    const std::string message = qvxutil::unescapeMessage(positional[1]);

    SharedFtdi usb;
    (*usb).connect(positional[0]);
    (*usb).sendMessage(positional[0], message);
    std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
    for (const std::string& line : (*usb).getReplies(positional[0]))
        std::cout << line << '\n';
    std::cout.flush();
    return 0;
}

int runUsb(const qvxutil::Args& args)
{
    if (args.empty())
        throw qvxutil::UsageError{"usb needs list or send"};
    const qvxutil::Args rest(args.begin() + 1, args.end());
    if (args[0] == "list")
        return runList(rest);
    if (args[0] == "send")
        return runSend(rest);
    throw qvxutil::UsageError{"unknown usb command '" + args[0] + "'"};
}

const qvxutil::Command::Registration registration{
    {"usb", "usb list | usb send DESCRIPTION MESSAGE [--wait MS]",
     "FTDI devices: list them; send MESSAGE (\\r \\n \\t \\\\ \\0 \\xHH escapes), wait MS "
     "(default 200), print the reply lines",
     &runUsb}};

}  // namespace
