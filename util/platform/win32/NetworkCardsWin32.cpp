// The network cards registry (the key NetworkCards under HKLM's
// SOFTWARE\Microsoft\Windows NT\CurrentVersion, one numbered key per card with ServiceName,
// Description and Title) and the NDIS driver query
// (IOCTL_NDIS_QUERY_GLOBAL_STATS on \\.\<service name>) behind the network
// cards facility.
#include "NetworkCards.h"

#include <windows.h>
#include <winioctl.h>

#include <atomic>

namespace qvx {
namespace platform {

namespace {

const char CARDS_KEY[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";
// CTL_CODE(FILE_DEVICE_PHYSICAL_NETCARD, 0, METHOD_OUT_DIRECT, FILE_ANY_ACCESS)
const DWORD IOCTL_NDIS_QUERY_GLOBAL_STATS_CODE = CTL_CODE(FILE_DEVICE_PHYSICAL_NETCARD, 0, METHOD_OUT_DIRECT,
                                                          FILE_ANY_ACCESS);

std::atomic<PermanentAddressReader> g_permanentAddressReader{nullptr};

class Key
{
public:
    Key(HKEY parent, const char* name)
    {
        if (::RegOpenKeyExA(parent, name, 0, KEY_READ, &_key) != ERROR_SUCCESS)
            _key = nullptr;
    }
    ~Key()
    {
        if (_key != nullptr)
            ::RegCloseKey(_key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return _key; }

private:
    HKEY _key = nullptr;
};

// A string value; false when it is missing or not a string.
bool stringValue(HKEY key, const char* name, std::string& value)
{
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    std::string buffer(size + 1, '\0');
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]), &size) != ERROR_SUCCESS)
        return false;
    buffer.resize(size < buffer.size() ? size : buffer.size());
    while (!buffer.empty() && buffer.back() == '\0')
        buffer.pop_back();
    value = buffer;
    return true;
}

bool driverQuery(const std::string& serviceName, std::uint32_t objectId, std::vector<unsigned char>& result)
{
    const std::string device = "\\\\.\\" + serviceName;
    const HANDLE driver = ::CreateFileA(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    if (driver == INVALID_HANDLE_VALUE)
        return false;
    unsigned char answer[256] = {};
    DWORD length = 0;
    DWORD oid = objectId;
    const BOOL ok = ::DeviceIoControl(driver, IOCTL_NDIS_QUERY_GLOBAL_STATS_CODE, &oid, sizeof(oid), answer,
                                      sizeof(answer), &length, nullptr);
    ::CloseHandle(driver);
    if (!ok || length > sizeof(answer))
        return false;
    result.assign(answer, answer + length);
    return true;
}

}  // namespace

std::vector<NetworkCardEntry> networkCardEntries()
{
    std::vector<NetworkCardEntry> cards;
    Key root(HKEY_LOCAL_MACHINE, CARDS_KEY);
    if (root.get() == nullptr)
        return cards;
    for (DWORD index = 0;; ++index)
    {
        char name[256];
        DWORD nameLength = sizeof(name);
        const LONG rc = ::RegEnumKeyExA(root.get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS)
            continue;  // a name too long for a card number
        NetworkCardEntry entry;
        entry.key.assign(name, nameLength);
        Key card(root.get(), name);
        if (card.get() != nullptr)
        {
            entry.hasServiceName = stringValue(card.get(), "ServiceName", entry.serviceName);
            entry.hasDescription = stringValue(card.get(), "Description", entry.description);
            entry.hasTitle = stringValue(card.get(), "Title", entry.title);
        }
        cards.push_back(entry);
    }
    return cards;
}

bool networkCardQuery(const std::string& serviceName, std::uint32_t objectId, std::vector<unsigned char>& result)
{
    const PermanentAddressReader reader = g_permanentAddressReader.load();
    if (reader != nullptr &&
        (objectId == NETWORK_OID_802_3_PERMANENT_ADDRESS || objectId == NETWORK_OID_WAN_PERMANENT_ADDRESS))
        return reader(serviceName, result);
    return driverQuery(serviceName, objectId, result);
}

PermanentAddressReader setPermanentAddressReader(PermanentAddressReader reader)
{
    return g_permanentAddressReader.exchange(reader);
}

}  // namespace platform
}  // namespace qvx
