#include "WindowUtil.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "DesktopWindows.h"
#include "Memory.h"
#include "NetworkShares.h"
#include "Power.h"
#include "ProcessTable.h"
#include "Registry.h"
#include "StringUtil.h"
#include "kbrAssert.h"

const std::string WindowUtil::MatchAnyArgs = "*";

// ---------------------------------------------------------------------------
// Processes
// ---------------------------------------------------------------------------



// ---------------------------------------------------------------------------
// Windows
// ---------------------------------------------------------------------------

namespace {

// The size every window operation gives the window; its position stays.
constexpr unsigned int WINDOW_WIDTH = 2000;
constexpr unsigned int WINDOW_HEIGHT = 500;

// How long killWindow waits for the owner to be gone once the termination
// was accepted, as killProcesses does, so that its window has gone with it
// when the call returns true.
constexpr int KILL_WINDOW_WAIT_MILLISECONDS = 2000;

}  // namespace

bool WindowUtil::isAppRunning(const std::string& windowTitle)
{
    return qvx::platform::findDesktopWindow(windowTitle);
}

bool WindowUtil::hideWindow(const std::string& windowTitle)
{
    return qvx::platform::hideDesktopWindow(windowTitle, WINDOW_WIDTH, WINDOW_HEIGHT);
}

bool WindowUtil::showWindow(const std::string& windowTitle)
{
    return qvx::platform::showDesktopWindow(windowTitle, WINDOW_WIDTH, WINDOW_HEIGHT);
}

bool WindowUtil::killWindow(const std::string& windowTitle)
{
    long processId = 0;
    if (!qvx::platform::findDesktopWindowOwner(windowTitle, processId))
        return false;
    return qvx::platform::terminateProcess(processId, KILL_WINDOW_WAIT_MILLISECONDS);
}


// ---------------------------------------------------------------------------
// Memory and power
// ---------------------------------------------------------------------------

int WindowUtil::getSizeOfPhysicalMemoryInKiloBytes()
{
    // One kilobyte is 1000 bytes here. The product is below 2^64 / 1000, so
    // the truncation to a 64-bit integer is exact; the result keeps its low
    // 32 bits.
    const double kiloBytes = static_cast<double>(qvx::platform::physicalMemoryBytes()) * 0.001;
    const auto whole = static_cast<std::int64_t>(kiloBytes);
    return static_cast<int>(static_cast<std::uint32_t>(whole));
}

bool WindowUtil::setupShutdownPrivileges()
{
    return qvx::platform::enableShutdownPrivilege();
}

bool WindowUtil::shutdownComputer()
{
    if (!setupShutdownPrivileges())
        return false;
    return qvx::platform::requestPowerChange(qvx::platform::PowerRequest::PowerOff);
}

bool WindowUtil::restartComputer()
{
    if (!setupShutdownPrivileges())
        return false;
    return qvx::platform::requestPowerChange(qvx::platform::PowerRequest::Reboot);
}




// ---------------------------------------------------------------------------
// Network shares
// ---------------------------------------------------------------------------

unsigned WindowUtil::createNetworkShare(const std::string& path, const std::string& shareName, unsigned shareType,
                                        const std::string& description, unsigned maxUses, bool readOnly,
                                        const std::string& password)
{
    KBR_ASSERT(shareName.size() < INT_MAX);
    KBR_ASSERT(path.size() < INT_MAX);
    KBR_ASSERT(description.size() < INT_MAX);
    KBR_ASSERT(password.size() < INT_MAX);
    // No fixed-size text buffers stand between the caller and the share
    // service here, so texts of any length are handed on whole; the service
    // refuses what it cannot take.
    qvx::platform::ShareDefinition share;
    share.name = shareName;
    share.path = path;
    share.type = shareType;
    share.remark = description;
    share.maxUses = maxUses;
    share.readOnly = readOnly;
    share.password = password;
    return qvx::platform::addNetworkShare(share);
}

bool WindowUtil::isNetworkShareAvailable(const std::string& serverName, const std::string& shareName,
                                         unsigned shareType)
{
    (void)shareType;
    KBR_ASSERT(shareName.size() < INT_MAX);
    const std::string newShareName = StringUtil::getUpperCase(shareName);
    const std::string newServerName = "\\\\" + serverName;
    KBR_ASSERT(newServerName.size() < INT_MAX);
    // The answer is false whatever the share service would say, so it is not
    // asked: asking would only cost a round trip whose answer is dropped.
    (void)newShareName;
    return false;
}

bool WindowUtil::isPathSharedAs(const std::string& path, const std::string& serverName,
                                const std::string& shareName)
{
    KBR_ASSERT(shareName.size() < INT_MAX);
    KBR_ASSERT(serverName.size() < INT_MAX);
    KBR_ASSERT(path.size() < INT_MAX);
    // Only this machine's shares are known (see NetworkShares.h); the share's
    // path comes back whole, with no 260-byte limit. Both paths are compared
    // in the library's form (backslashes), ignoring case.
    std::string sharedPath;
    if (qvx::platform::getNetworkSharePath(serverName, shareName, sharedPath) != qvx::platform::SHARE_SUCCESS)
        return false;
    std::string libraryPath(path);
    for (char& c : libraryPath)
        if (c == '/')
            c = '\\';
    return StringUtil::equalsIgnoreCase(sharedPath, libraryPath);
}




// ---------------------------------------------------------------------------
// Registry
// ---------------------------------------------------------------------------

namespace {

// The registry data buffer of the value reads. A value whose data is longer
// does not fit and counts as not read.
constexpr std::size_t REGISTRY_BUFFER_SIZE = 80;

struct RegistryRead
{
    bool ok = false;
    unsigned type = 0;
    std::size_t size = 0;
    unsigned char data[REGISTRY_BUFFER_SIZE] = {};
};

// Opens the key, reads the value into the buffer and closes the key again.
// False when the key cannot be opened.
bool readRegistryValue(HKEY root, const std::string& subKey, const std::string& value, RegistryRead& read)
{
    HKEY key;
    if (qvx::platform::openRegistryKey(root, subKey, key) != qvx::platform::REGISTRY_SUCCESS)
        return false;
    read.size = sizeof read.data;
    read.ok = qvx::platform::queryRegistryValue(key, value, read.type, read.data, read.size) ==
              qvx::platform::REGISTRY_SUCCESS;
    if (!read.ok)
    {
        read.type = 0;
        read.size = 0;
    }
    qvx::platform::closeRegistryKey(key);
    return true;
}

std::uint64_t littleEndian(const unsigned char* data, std::size_t bytes)
{
    std::uint64_t v = 0;
    for (std::size_t i = bytes; i-- > 0;)
        v = (v << 8) | data[i];
    return v;
}

}  // namespace

bool WindowUtil::isRegistryKeyDefined(HKEY root, const std::string& subKey)
{
    KBR_ASSERT(subKey.length());
    HKEY key;
    if (qvx::platform::openRegistryKey(root, subKey, key) != qvx::platform::REGISTRY_SUCCESS)
        return false;
    qvx::platform::closeRegistryKey(key);
    return true;
}

bool WindowUtil::isRegistryKeyDefined(HKEY root, const std::string& subKey, const std::string& value)
{
    KBR_ASSERT(subKey.length());
    KBR_ASSERT(value.length());
    RegistryRead read;
    return readRegistryValue(root, subKey, value, read) && read.ok;
}

std::string WindowUtil::getRegistryValue(HKEY root, const std::string& subKey, const std::string& value)
{
    KBR_ASSERT(subKey.length());
    KBR_ASSERT(value.length());
    std::string result;
    RegistryRead read;
    // The key is closed before the data is converted, so that a failed check
    // that throws leaves no key open. The buffer starts zeroed: a number with
    // fewer data bytes than its width reads the missing high bytes as zeros.
    if (!readRegistryValue(root, subKey, value, read))
        return result;
    switch (read.type)
    {
    case qvx::platform::REGISTRY_TYPE_STRING:
    case qvx::platform::REGISTRY_TYPE_EXPANDABLE_STRING:
    {
        const auto* text = reinterpret_cast<const char*>(read.data);
        result.assign(text, ::strnlen(text, read.size));
        break;
    }
    case qvx::platform::REGISTRY_TYPE_NUMBER32:
        result = std::to_string(static_cast<std::uint32_t>(littleEndian(read.data, 4)));
        break;
    case qvx::platform::REGISTRY_TYPE_NUMBER64:
        result = std::to_string(static_cast<std::int64_t>(littleEndian(read.data, 8)));
        break;
    default:
        showKbrAssertWithMessage("false", "Unsuppported data type on value returned from registy", __FILE__,
                                 __LINE__);
        break;
    }
    return result;
}
