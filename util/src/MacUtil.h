#ifndef QVX_MAC_UTIL_H
#define QVX_MAC_UTIL_H

#include <list>
#include <string>

#include "NetworkAdapter.h"
#include "QvxExport.h"

// The machine's network adapters with their permanent hardware (MAC)
// addresses, read from the host's registry of network cards and each card's
// driver (NetworkCards.h says where that is on this host).
//
// A card is listed under its title, or "[<card number>] <description>" when
// it has none. Its host id is the driver's permanent address for the card's
// medium (802.3 or WAN) as twelve upper-case hexadecimal digits; a card of
// another medium has an empty host id. A card whose medium or address cannot
// be read, or whose address is not exactly six bytes, is left out.
//
// Choices of ours:
// - Every host this library builds for is served (the lists are never empty
//   for being on the wrong system family).
// - The card texts are cut to 259 characters, the room the card record has.
// - The listing keeps no process-wide state: two threads may list at once.
class QVXUTIL_API MacUtil
{
public:
    MacUtil& operator=(const MacUtil&);

    static std::list<NetworkAdapter> getNetworkAdapters();
    // The non-empty host ids, in card order.
    static std::list<std::string> getMacAddress();

private:
    // The card's host id; false when the card is to be left out.
    static bool getHostId(const std::string& serviceName, std::string& hostId);
};

#endif
