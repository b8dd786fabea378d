// Network cards from /sys/class/net; driver queries by ethtool ioctls.
#include "NetworkCards.h"

#include <dirent.h>
#include <linux/ethtool.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace qvx {
namespace platform {

namespace {

constexpr long ARPHRD_ETHER_TYPE = 1;
constexpr long ARPHRD_PPP_TYPE = 512;
constexpr std::size_t MAX_ADDRESS_BYTES = 32;  // MAX_ADDR_LEN

PermanentAddressReader g_permanentAddressReader = nullptr;

// A device name that names one entry of /sys/class/net and nothing else.
bool isDeviceName(const std::string& name)
{
    return !name.empty() && name.size() < IFNAMSIZ && name != "." && name != ".." &&
           name.find('/') == std::string::npos;
}

// The first line of /sys/class/net/DEVICE/ATTRIBUTE; false when unreadable.
bool readAttribute(const std::string& device, const char* attribute, std::string& value)
{
    std::ifstream in("/sys/class/net/" + device + "/" + attribute);
    if (!in || !std::getline(in, value))
        return false;
    return true;
}

bool readNumber(const std::string& device, const char* attribute, long& value)
{
    std::string text;
    if (!readAttribute(device, attribute, text) || text.empty())
        return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 0);
    return end != text.c_str();
}

// One ethtool request about device; false when it fails.
bool ethtool(const std::string& device, void* request)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ifreq query{};
    std::strncpy(query.ifr_name, device.c_str(), IFNAMSIZ - 1);
    query.ifr_data = static_cast<char*>(request);
    const bool ok = ::ioctl(fd, SIOCETHTOOL, &query) == 0;
    ::close(fd);
    return ok;
}

bool driverPermanentAddress(const std::string& device, std::vector<unsigned char>& address)
{
    // The request header (ethtool_perm_addr) is followed by room for the bytes.
    alignas(ethtool_perm_addr) unsigned char request[sizeof(ethtool_perm_addr) + MAX_ADDRESS_BYTES] = {};
    ethtool_perm_addr header{};
    header.cmd = ETHTOOL_GPERMADDR;
    header.size = MAX_ADDRESS_BYTES;
    std::memcpy(request, &header, sizeof(header));
    if (!ethtool(device, request))
        return false;
    std::memcpy(&header, request, sizeof(header));
    if (header.size > MAX_ADDRESS_BYTES)
        return false;
    const unsigned char* bytes = request + sizeof(ethtool_perm_addr);
    address.assign(bytes, bytes + header.size);
    return true;
}

std::string driverName(const std::string& device)
{
    ethtool_drvinfo info{};
    info.cmd = ETHTOOL_GDRVINFO;
    if (!ethtool(device, &info))
        return std::string();
    info.driver[sizeof(info.driver) - 1] = '\0';
    return info.driver;
}

// "00:0a:1b:2c:3d:4e" as bytes; false for anything else.
bool parseAddress(const std::string& text, std::vector<unsigned char>& bytes)
{
    bytes.clear();
    std::size_t i = 0;
    while (i < text.size())
    {
        char* end = nullptr;
        const unsigned long value = std::strtoul(text.c_str() + i, &end, 16);
        const std::size_t used = static_cast<std::size_t>(end - (text.c_str() + i));
        if (used != 2 || value > 0xFF)
            return false;
        bytes.push_back(static_cast<unsigned char>(value));
        i += 2;
        if (i < text.size() && text[i++] != ':')
            return false;
    }
    return true;
}

bool permanentAddress(const std::string& device, std::vector<unsigned char>& address)
{
    std::vector<unsigned char> current;
    std::string text;
    if (!readAttribute(device, "address", text) || !parseAddress(text, current))
        return false;
    const PermanentAddressReader reader =
        g_permanentAddressReader != nullptr ? g_permanentAddressReader : &driverPermanentAddress;
    std::vector<unsigned char> permanent;
    const bool kept = reader(device, permanent) && !permanent.empty() &&
                      std::any_of(permanent.begin(), permanent.end(),
                                  [](unsigned char b) { return b != 0; });
    address = kept ? permanent : current;
    return true;
}

}  // namespace

std::vector<NetworkCardEntry> networkCardEntries()
{
    std::vector<std::pair<long, NetworkCardEntry>> cards;
    DIR* dir = ::opendir("/sys/class/net");
    if (dir == nullptr)
        return {};
    while (const dirent* item = ::readdir(dir))
    {
        const std::string name = item->d_name;
        long index = 0, flags = 0;
        if (!isDeviceName(name) || !readNumber(name, "ifindex", index) ||
            !readNumber(name, "flags", flags) || (flags & IFF_LOOPBACK))
            continue;
        NetworkCardEntry card;
        card.key = std::to_string(index);
        card.hasServiceName = true;
        card.serviceName = name;
        card.hasDescription = true;
        card.description = driverName(name);
        if (card.description.empty())
            card.description = name;
        card.hasTitle = readAttribute(name, "ifalias", card.title) && !card.title.empty();
        if (!card.hasTitle)
            card.title.clear();
        cards.emplace_back(index, std::move(card));
    }
    ::closedir(dir);
    std::sort(cards.begin(), cards.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<NetworkCardEntry> entries;
    entries.reserve(cards.size());
    for (auto& card : cards)
        entries.push_back(std::move(card.second));
    return entries;
}

bool networkCardQuery(const std::string& serviceName, std::uint32_t objectId,
                      std::vector<unsigned char>& result)
{
    long type = 0;
    if (!isDeviceName(serviceName) || !readNumber(serviceName, "type", type))
        return false;
    const std::uint32_t medium = type == ARPHRD_ETHER_TYPE ? NETWORK_MEDIUM_802_3
                                 : type == ARPHRD_PPP_TYPE ? NETWORK_MEDIUM_WAN
                                                           : NETWORK_MEDIUM_OTHER;
    switch (objectId)
    {
    case NETWORK_OID_MEDIA_IN_USE:
        result.resize(sizeof(medium));
        std::memcpy(result.data(), &medium, sizeof(medium));
        return true;
    case NETWORK_OID_802_3_PERMANENT_ADDRESS:
        return medium == NETWORK_MEDIUM_802_3 && permanentAddress(serviceName, result);
    case NETWORK_OID_WAN_PERMANENT_ADDRESS:
        return medium == NETWORK_MEDIUM_WAN && permanentAddress(serviceName, result);
    default:
        return false;
    }
}

PermanentAddressReader setPermanentAddressReader(PermanentAddressReader reader)
{
    const PermanentAddressReader previous = g_permanentAddressReader;
    g_permanentAddressReader = reader;
    return previous;
}

}  // namespace platform
}  // namespace qvx
