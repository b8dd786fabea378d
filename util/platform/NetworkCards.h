#ifndef QVX_NETWORK_CARDS_H
#define QVX_NETWORK_CARDS_H

#include <cstdint>
#include <string>
#include <vector>

#include "QvxExport.h"

// The host's registry of network cards and the driver query that reads a
// card's medium and permanent hardware address.
//
// On this host the cards are the network interfaces of the calling thread's
// network namespace, read from /sys/class/net (which shows the namespace that
// sysfs was mounted in), in ifindex order, loopback left out:
// - card key (the card number) = the ifindex, in decimal;
// - service name = the interface name;
// - description = the driver's name (ETHTOOL_GDRVINFO), or the interface name
//   when the driver gives none;
// - title = the interface alias (/sys/class/net/IF/ifalias, set with
//   `ip link set dev IF alias TEXT`) when it is not empty; no title otherwise.
// The driver query answers, for NETWORK_OID_MEDIA_IN_USE, the medium as 4
// bytes in host order: NETWORK_MEDIUM_802_3 for interface type 1
// (ARPHRD_ETHER), NETWORK_MEDIUM_WAN for type 512 (ARPHRD_PPP),
// NETWORK_MEDIUM_OTHER for every other type. For the permanent address of the
// card's own medium it answers the driver's permanent address
// (ETHTOOL_GPERMADDR). A driver that keeps no permanent address answers all
// zeros there (veth, tap, and any device whose address was set by hand): then
// the device's current address is the only address it has, and it is the
// answer. The answer has as many bytes as the device's addresses have (none
// for PPP, so a PPP card's address query fails).
namespace qvx {
namespace platform {

constexpr std::uint32_t NETWORK_OID_MEDIA_IN_USE = 0x00010104;
constexpr std::uint32_t NETWORK_OID_802_3_PERMANENT_ADDRESS = 0x01010101;
constexpr std::uint32_t NETWORK_OID_WAN_PERMANENT_ADDRESS = 0x04010101;

constexpr std::uint32_t NETWORK_MEDIUM_802_3 = 0;
constexpr std::uint32_t NETWORK_MEDIUM_WAN = 3;
// Any medium that has no address object here (tun, IP tunnels, wireless).
constexpr std::uint32_t NETWORK_MEDIUM_OTHER = 0xFFFFFFFFu;

// One card's entry. A value the entry does not have is reported as absent
// (has... false), so that the caller applies its own defaults.
struct NetworkCardEntry
{
    std::string key;  // the card number as text
    bool hasServiceName = false;
    std::string serviceName;
    bool hasDescription = false;
    std::string description;
    bool hasTitle = false;
    std::string title;
};

// The cards in registry order; empty when the registry cannot be read.
QVXUTIL_API std::vector<NetworkCardEntry> networkCardEntries();

// Queries the driver of the card whose service name is given for one object.
// True with the answer's bytes in result, false when the card, the object or
// the query fails.
QVXUTIL_API bool networkCardQuery(const std::string& serviceName, std::uint32_t objectId,
                                  std::vector<unsigned char>& result);

// Test seam: replaces the driver's permanent-address answer (the
// ETHTOOL_GPERMADDR ioctl here) for every device. A reader answers true with
// the address bytes, or false when the driver cannot be asked. Returns the
// reader it replaces; null restores the driver query.
using PermanentAddressReader = bool (*)(const std::string& device, std::vector<unsigned char>& address);
QVXUTIL_API PermanentAddressReader setPermanentAddressReader(PermanentAddressReader reader);

}  // namespace platform
}  // namespace qvx

#endif
