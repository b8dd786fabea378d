// USB devices: the driver registry, FTDI messaging through a scripted driver
// (every retry path, the status table) and the host's libftdi1 driver on this
// machine, which has no USB bus.
#include <chrono>
#include <list>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "AssertException.h"
#include "CommunicationHardwareException.h"
#include "FailedCheck.h"
#include "FtdiDriver.h"
#include "FtdiUsbUtil.h"
#include "MessageEscapes.h"
#include "ScriptedFtdiDriver.h"
#include "UsbUtil.h"

namespace {

using qvxtest::ScriptedFtdiDriver;
using Log = std::vector<std::string>;
using Lines = std::list<std::string>;

// How call ends: "ok", "check <condition>" when a check fails (in exception
// mode unless nop mode is on), or the key of the CommunicationHardwareException
// it throws, when full followed by " | message | parameters".
template <class Call>
std::string outcome(Call&& call, bool full = false)
{
    std::optional<qvxtest::ExceptionMode> mode;
    if (!isAssertNopModeEnabled())
        mode.emplace();
    try
    {
        call();
    }
    catch (const CommunicationHardwareException& e)
    {
        std::string text = e.getKey() + (full ? " | " + e.getMessage() + " |" : "");
        for (const std::string& p : e.getParameters())
            text += full ? " " + p : "";
        return text;
    }
    catch (const AssertException& e)
    {
        return "check " + e.getParameter(0);
    }
    return "ok";
}

class FtdiTest : public ::testing::Test
{
protected:
    FtdiTest()
    {
        driver.addDevice("Dev");
        usb.connect("Dev");
        driver.clearLog();
    }
    ~FtdiTest() override { EXPECT_EQ(0, driver.misuses()); }

    ScriptedFtdiDriver driver;  // outlives usb, whose destructor closes the devices
    FtdiUsbUtil usb;
};

TEST(FtdiHostTest, NoUsbBusMeansNoDeviceAndNoHandle)
{
    ASSERT_EQ(&qvx::platform::hostFtdiDriver(), &qvx::platform::ftdiDriver());
    FtdiUsbUtil usb;
    EXPECT_EQ("HW_USB_DEVICE_NOT_FOUND_KEY | The device QVX Probe 7 was not found. | QVX Probe 7",
              outcome([&] { usb.connect("QVX Probe 7"); }, true));

    qvx::platform::FtdiBusListing listing;
    listing.unreadable = 9;
    EXPECT_EQ(0u, qvx::platform::listFtdiDevices(listing));
    EXPECT_TRUE(listing.devices.empty());
    EXPECT_EQ(0u, listing.withoutPermission + listing.unreadable);

    // Handles the host's driver never gave out are refused, never used.
    qvx::platform::FtdiDriver& host = qvx::platform::hostFtdiDriver();
    void* const bogus = reinterpret_cast<void*>(std::uintptr_t{0x5101});
    char buffer[4];
    std::uint32_t count = 7;
    EXPECT_EQ(1u, host.write(bogus, "ab", 2, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(1u, host.queueStatus(bogus, &count));
    EXPECT_EQ(1u, host.read(bogus, buffer, 4, &count));
    EXPECT_EQ(1u, host.close(bogus));
    EXPECT_EQ(6u, host.read(bogus, buffer, 4, nullptr));
    EXPECT_EQ(6u, host.openByDescription("QVX Probe 7", nullptr));

    // A scripted driver puts back the one that installing it returned.
    {
        ScriptedFtdiDriver outer;
        {
            ScriptedFtdiDriver inner;
            EXPECT_EQ(&inner, &qvx::platform::ftdiDriver());
        }
        EXPECT_EQ(&outer, &qvx::platform::ftdiDriver());
    }
    EXPECT_EQ(&host, &qvx::platform::ftdiDriver());
    EXPECT_EQ(&host, qvx::platform::installFtdiDriver(nullptr));
}

TEST_F(FtdiTest, MessagesGoOutUnchangedAndRepliesComeBackAsSplitLines)
{
    usb.sendMessage("Dev", "*IDN?");
    usb.sendMessage("Dev", "");
    usb.sendMessage("Dev", std::string("a\0b\r\n", 5));
    EXPECT_EQ((Log{"write #1 '*IDN?'", "write #1 ''", "write #1 '" + std::string("a\0b\r\n", 5) + "'"}),
              driver.log());

    driver.reply("Dev", "first\nsecond\n");
    EXPECT_EQ((Lines{"first", "second"}), usb.getReplies("Dev"));
    // Cut at the first zero byte; everything after it is read and dropped.
    driver.reply("Dev", std::string("ok\r\nmore\0tail\n", 14));
    EXPECT_EQ((Lines{"ok\r", "more"}), usb.getReplies("Dev"));
    // A reply with no text before its zero byte fails split's check.
    driver.reply("Dev", std::string("\0junk", 5));
    EXPECT_EQ("strings.empty() == false", qvxtest::failedCheck([&] { usb.getReplies("Dev"); }));
    // The read after a short read goes into the start of the same buffer.
    driver.reply("Dev", "ab\ncd\n");
    driver.script(ScriptedFtdiDriver::Queue, {ScriptedFtdiDriver::shortBy(3)});
    driver.script(ScriptedFtdiDriver::Read, {ScriptedFtdiDriver::shortBy(1)});
    EXPECT_EQ((Lines{"b", "c"}), usb.getReplies("Dev"));
}

TEST_F(FtdiTest, NothingQueuedFailsAtOnceAndALateReplyFillsTheQueueInPieces)
{
    driver.reply("Dev", "pa", 150);
    driver.reply("Dev", "rt\n", 300);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ("HW_USB_EXPECTED_REPLY_ERROR_KEY | A message was sent to the Dev device, but it did not "
              "reply. | Dev",
              outcome([&] { usb.getReplies("Dev"); }, true));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ((Log{"queue #1"}), driver.log());

    std::this_thread::sleep_until(start + std::chrono::milliseconds(200));
    EXPECT_EQ((Lines{"pa"}), usb.getReplies("Dev"));
    std::this_thread::sleep_until(start + std::chrono::milliseconds(350));
    EXPECT_EQ((Lines{"rt"}), usb.getReplies("Dev"));
}

// One row per retry path: the steps injected, the expected outcome and the
// driver calls made.
struct RetryCase
{
    const char* name;
    std::vector<std::pair<ScriptedFtdiDriver::Call, ScriptedFtdiDriver::Step>> steps;
    const char* outcome;
    Log calls;
};

// Runs one case on its own driver and instance (whose end closes every device
// of the process-wide table through that driver).
template <class Call>
void runCase(const RetryCase& c, const std::string& queued, Call&& call)
{
    SCOPED_TRACE(c.name);
    ScriptedFtdiDriver driver;
    driver.addDevice("Dev");
    FtdiUsbUtil ftdi;
    ftdi.connect("Dev");
    driver.clearLog();
    driver.reply("Dev", queued);
    for (const auto& step : c.steps)
        driver.script(step.first, {step.second});
    EXPECT_EQ(c.outcome, outcome([&] { call(ftdi); }));
    EXPECT_EQ(c.calls, driver.log());
    EXPECT_EQ(0, driver.misuses());
}

TEST(FtdiRetryTest, EveryRetryPathOfAWrite)
{
    using D = ScriptedFtdiDriver;
    const std::vector<RetryCase> cases = {
        {"reopen and rewrite", {{D::Write, D::fails(4)}}, "ok",
         {"write #1 'm'", "close #1", "open Dev #2", "write #2 'm'"}},
        {"rewrite fails", {{D::Write, D::fails(4)}, {D::Write, D::fails(10)}},
         "HW_USB_FAILED_TO_WRITE_DEVICE_KEY", {"write #1 'm'", "close #1", "open Dev #2", "write #2 'm'"}},
        {"close failure swallowed", {{D::Write, D::fails(4)}, {D::Close, D::fails(4)}}, "ok",
         {"write #1 'm'", "close #1", "open Dev #2", "write #2 'm'"}},
        {"reopen fails", {{D::Write, D::fails(4)}, {D::Open, D::fails(2)}}, "HW_USB_DEVICE_NOT_FOUND_KEY",
         {"write #1 'm'", "close #1", "open Dev failed"}},
        {"short write", {{D::Write, D::shortBy(0)}}, "check numberOfBytesWritten == numberOfBytesToWrite",
         {"write #1 'm'"}},
    };
    for (const RetryCase& c : cases)
        runCase(c, "", [](FtdiUsbUtil& ftdi) { ftdi.sendMessage("Dev", "m"); });
}

TEST(FtdiRetryTest, EveryRetryPathOfAQueueQueryAndARead)
{
    using D = ScriptedFtdiDriver;
    // The queue answers two lines of the six queued, so a repeated read finds more.
    const auto q6 = std::make_pair(D::Queue, D::shortBy(6));
    const std::vector<RetryCase> cases = {
        {"queue query reopened", {{D::Queue, D::fails(4)}, q6}, "ok",
         {"queue #1", "close #1", "open Dev #2", "queue #2", "read #2 6"}},
        {"queue query fails twice", {{D::Queue, D::fails(4)}, {D::Queue, D::fails(5)}},
         "HW_USB_INSUFFICIENT_RESOURCES_KEY", {"queue #1", "close #1", "open Dev #2", "queue #2"}},
        {"short read, second read completes", {{D::Queue, D::shortBy(3)}, {D::Read, D::shortBy(1)}}, "ok",
         {"queue #1", "read #1 3", "read #1 3"}},
        {"short read twice", {q6, {D::Read, D::shortBy(5)}, {D::Read, D::shortBy(5)}},
         "HW_USB_CONNECTION_TIMEOUT_KEY", {"queue #1", "read #1 6", "read #1 6"}},
        {"short read, then failure", {q6, {D::Read, D::shortBy(5)}, {D::Read, D::fails(4)}}, "HW_USB_IO_ERROR_KEY",
         {"queue #1", "read #1 6", "read #1 6"}},
        {"read reopened", {q6, {D::Read, D::fails(4)}}, "ok",
         {"queue #1", "read #1 6", "close #1", "open Dev #2", "read #2 6"}},
        {"read fails after reopen", {q6, {D::Read, D::fails(4)}, {D::Read, D::fails(18)}}, "HW_USB_UNKOWN_ERROR_KEY",
         {"queue #1", "read #1 6", "close #1", "open Dev #2", "read #2 6"}},
        {"read reopened, short, completes", {q6, {D::Read, D::fails(4)}, {D::Read, D::shortBy(2)}}, "ok",
         {"queue #1", "read #1 6", "close #1", "open Dev #2", "read #2 6", "read #2 6"}},
        {"read reopen fails", {q6, {D::Read, D::fails(4)}, {D::Close, D::fails(4)}, {D::Open, D::fails(3)}},
         "HW_USB_DEVICE_NOT_OPENED_KEY", {"queue #1", "read #1 6", "close #1", "open Dev failed"}},
    };
    for (const RetryCase& c : cases)
        runCase(c, "ab\ncd\nef\ngh\nij\nkl\n", [](FtdiUsbUtil& ftdi) { ftdi.getReplies("Dev"); });
}

TEST_F(FtdiTest, ClosedDevicesAreNeverPassedToTheDriver)
{
    usb.disconnect("Dev");
    usb.disconnect("Dev");
    EXPECT_EQ((Log{"close #1"}), driver.log());
    EXPECT_EQ("HW_USB_DEVICE_NOT_OPENED_KEY | The device Dev was not opened. | Dev",
              outcome([&] { usb.sendMessage("Dev", "x"); }, true));
    EXPECT_EQ("HW_USB_DEVICE_NOT_OPENED_KEY", outcome([&] { usb.getReplies("Dev"); }));
    EXPECT_EQ((Log{"close #1"}), driver.log());

    usb.connect("Dev");
    usb.sendMessage("Dev", "x");
    // A second connect of an open device closes the handle it replaces.
    usb.connect("Dev");
    usb.sendMessage("Dev", "y");
    EXPECT_EQ((Log{"close #1", "open Dev #2", "write #2 'x'", "open Dev #3", "close #2", "write #3 'y'"}),
              driver.log());

    EXPECT_EQ("check it != _deviceDescriptionToHandleMap.end()", outcome([&] { usb.sendMessage("Never", "x"); }));
    EXPECT_EQ("it != _deviceDescriptionToHandleMap.end() @ util/src/FtdiUsbUtil.cpp",
              qvxtest::failedCheckWhere([&] { usb.disconnect("Never"); }));
    qvxtest::NopMode nop;
    EXPECT_EQ("HW_USB_DEVICE_NOT_OPENED_KEY | The device Never was not opened. | Never",
              outcome([&] { usb.getReplies("Never"); }, true));
}

// Records the calls that reach the overridable operations.
class RecordingFtdi : public FtdiUsbUtil
{
public:
    using S = const std::string&;
    void connect(S d) override { calls += "connect;"; FtdiUsbUtil::connect(d); }
    void disconnect(S d) override { calls += "disconnect;"; FtdiUsbUtil::disconnect(d); }
    void sendMessage(S d, S m) override { calls += "send;"; FtdiUsbUtil::sendMessage(d, m); }
    Lines getReplies(S d) override { calls += "replies;"; return FtdiUsbUtil::getReplies(d); }
    std::string calls;
};

TEST(FtdiRetryTest, ReopeningAndSendingWithRepliesGoThroughTheOverrides)
{
    ScriptedFtdiDriver driver;
    driver.addDevice("Dev");
    RecordingFtdi ftdi;
    ftdi.connect("Dev");
    driver.script(ScriptedFtdiDriver::Write, {ScriptedFtdiDriver::fails(4)});
    driver.reply("Dev", "ok\n");
    EXPECT_EQ((Lines{"ok"}), ftdi.sendMessageAndGetReplies("Dev", "m"));
    EXPECT_EQ("connect;send;disconnect;connect;replies;", ftdi.calls);
}

TEST(FtdiStatusTest, EveryStatusHasItsKeyAndMessage)
{
    const char* const expected[] = {
        "",
        "HW_USB_INVALID_DEVICE_HANDLE_KEY | An invalid device handle was supplied for the D d device.",
        "HW_USB_DEVICE_NOT_FOUND_KEY | The device D d was not found.",
        "HW_USB_DEVICE_NOT_OPENED_KEY | The device D d was not opened.",
        "HW_USB_IO_ERROR_KEY | A communication error occured with the device D d.",
        "HW_USB_INSUFFICIENT_RESOURCES_KEY | The device D d has insufficient resources.",
        "HW_USB_INVALID_PARAMETER_KEY | The usb driver encountered invalid parameters while communicating "
        "with the D d device.",
        "HW_USB_INVALID_BAUD_RATE_KEY | An invalid baud rate was use to communicate with the D d device.",
        "HW_USB_DEVICE_NOT_OPENED_FOR_ERASE_KEY | The D d device does not have erase permissions.",
        "HW_USB_DEVICE_NOT_OPENED_FOR_WRITE_KEY | The D d device does not have write permissions.",
        "HW_USB_FAILED_TO_WRITE_DEVICE_KEY | Failed writing to the D d device.",
        "HW_USB_EEPROM_READ_FAILED_KEY | Failed reading the EEPROM of the D d device.",
        "HW_USB_EEPROM_WRITE_FAILED_KEY | Failed writing to the EEPROM of the D d device.",
        "HW_USB_EEPROM_ERASE_FAILED_KEY | Failed erasing the EEPROM of the D d device.",
        "HW_USB_EEPROM_NOT_PRESENT_KEY | The EEPROM of the D d device is not present.",
        "HW_USB_EEPROM_NOT_PROGRAMMED_KEY | The EEPROM of the D d device is not programmed.",
        "HW_USB_INVALID_ARGUMENTS_KEY | The usb driver encountered invalid arguments while communicating "
        "with the D d device.",
        "",
        "HW_USB_UNKOWN_ERROR_KEY | An unkown error occured while communicating with the D d device.",
    };
    ScriptedFtdiDriver driver;
    FtdiUsbUtil usb;
    for (std::uint32_t status = 1; status <= 18; ++status)
    {
        if (status == 17)
            continue;
        driver.script(ScriptedFtdiDriver::Open, {ScriptedFtdiDriver::fails(status)});
        EXPECT_EQ(std::string(expected[status]) + " | D d", outcome([&] { usb.connect("D d"); }, true));
    }
    for (std::uint32_t status : {17u, 1000u, 0xFFFFFFFFu})
    {
        driver.script(ScriptedFtdiDriver::Open, {ScriptedFtdiDriver::fails(status)});
        EXPECT_EQ("false @ util/src/FtdiUsbUtil.cpp", qvxtest::failedCheckWhere([&] { usb.connect("D d"); }));
        driver.script(ScriptedFtdiDriver::Open, {ScriptedFtdiDriver::fails(status)});
        qvxtest::NopMode nop;
        EXPECT_EQ(" |  | D d", outcome([&] { usb.connect("D d"); }, true));
    }
    EXPECT_EQ(0, driver.openHandles());
}

TEST(UsbRegistryTest, SharedInstanceLivesUntilTheLastReferenceAndClosesDevicesInOrder)
{
    ScriptedFtdiDriver driver;
    for (const char* d : {"b", "a", "c", "closed"})
        driver.addDevice(d);
    UsbUtil* first = UsbUtil::getInstance(UsbUtil::usbDriverType_FTDI);
    UsbUtil* second = UsbUtil::getInstance(UsbUtil::usbDriverType_FTDI);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, second);
    EXPECT_NE(nullptr, dynamic_cast<FtdiUsbUtil*>(first));
    for (const char* d : {"b", "a", "closed", "c"})
        first->connect(d);
    first->disconnect("closed");

    // A foreign pointer still gives back the named type's reference.
    UsbUtil* foreign = reinterpret_cast<UsbUtil*>(&driver);
    UsbUtil::removeInstance(UsbUtil::usbDriverType_FTDI, foreign);
    EXPECT_EQ(nullptr, foreign);
    driver.clearLog();
    second->sendMessage("a", "still here");
    UsbUtil::removeInstance(UsbUtil::usbDriverType_FTDI, second);
    EXPECT_EQ(nullptr, second);
    EXPECT_EQ((Log{"write #2 'still here'", "close #2", "close #1", "close #4"}), driver.log());
    EXPECT_EQ(0, driver.openHandles());

    // The table outlives its instances: a fresh instance finds the entries closed.
    UsbUtil* fresh = UsbUtil::getInstance(UsbUtil::usbDriverType_FTDI);
    EXPECT_EQ("HW_USB_DEVICE_NOT_OPENED_KEY", outcome([&] { fresh->sendMessage("a", "x"); }));
    fresh->connect("a");
    UsbUtil* null = nullptr;
    UsbUtil::removeInstance(UsbUtil::usbDriverType_FTDI, null);
    EXPECT_EQ(0, driver.openHandles());
    EXPECT_EQ("rit != _usbDriverTypeToReferenceCountMap.end() @ util/src/UsbUtil.cpp",
              qvxtest::failedCheckWhere([&] { UsbUtil::removeInstance(UsbUtil::usbDriverType_FTDI, first); }));
    EXPECT_EQ(nullptr, first);
    EXPECT_EQ(0, driver.misuses());
}

TEST(UsbRegistryTest, UnknownTypeIsRegisteredWithNullUntilItsRemoval)
{
    const auto unknown = static_cast<UsbUtil::UsbDriverTypeEnum>(7);
    EXPECT_EQ("usbDriverType_FTDI @ util/src/UsbUtil.cpp",
              qvxtest::failedCheckWhere([&] { UsbUtil::getInstance(unknown); }));
    UsbUtil* a = reinterpret_cast<UsbUtil*>(&a);
    {
        qvxtest::NopMode nop;
        a = UsbUtil::getInstance(unknown);
    }
    EXPECT_EQ(nullptr, a);
    // Registered now: the next call fails only the null check, and counts.
    EXPECT_EQ("pInstance != NULL @ util/src/UsbUtil.cpp",
              qvxtest::failedCheckWhere([&] { UsbUtil::getInstance(unknown); }));
    UsbUtil::removeInstance(unknown, a);
    UsbUtil::removeInstance(unknown, a);  // the second removal ends the registration
    EXPECT_EQ("usbDriverType_FTDI", qvxtest::failedCheck([&] { UsbUtil::getInstance(unknown); }));
}

TEST(UsbRegistryTest, DestructionNeverLetsACloseFailureOut)
{
    ScriptedFtdiDriver driver;
    driver.addDevice("x");
    driver.addDevice("y");
    UsbUtil* usb = UsbUtil::getInstance(UsbUtil::usbDriverType_FTDI);
    usb->connect("x");
    usb->connect("y");
    driver.clearLog();
    // The first close fails its status check (thrown in exception mode), the second its status.
    driver.script(ScriptedFtdiDriver::Close, {ScriptedFtdiDriver::fails(1000), ScriptedFtdiDriver::fails(4)});
    {
        qvxtest::ExceptionMode mode;
        UsbUtil::removeInstance(UsbUtil::usbDriverType_FTDI, usb);
    }
    EXPECT_EQ((Log{"close #1", "close #2"}), driver.log());
    EXPECT_EQ(0, driver.openHandles());
}

}  // namespace

namespace {

TEST(UsbCommandTest, MessageEscapesBecomeTheirBytes)
{
    using qvxutil::unescapeMessage;
    EXPECT_EQ(std::string("ID?\r\n\t\\", 7), unescapeMessage("ID?\\r\\n\\t\\\\"));
    EXPECT_EQ(std::string("a\0b\x7f" "A\xff", 6), unescapeMessage("a\\0b\\x7f\\x41\\xFf"));
    EXPECT_EQ("plain text", unescapeMessage("plain text"));
    for (const char* bad : {"a\\", "\\q", "\\x4", "\\x4g", "\\x"})
        EXPECT_THROW(unescapeMessage(bad), qvxutil::UsageError) << bad;
}

}  // namespace
