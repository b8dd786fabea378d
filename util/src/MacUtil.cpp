#include "MacUtil.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "NetworkCards.h"

namespace platform = qvx::platform;

namespace {

const std::size_t MAX_CARD_TEXT = 259;
const char UNKNOWN[] = "Unknown";

struct CardRecord
{
    std::string description = UNKNOWN;
    std::string title = UNKNOWN;
    std::string serviceName = UNKNOWN;
};

CardRecord readCard(const platform::NetworkCardEntry& entry)
{
    CardRecord card;
    if (entry.hasServiceName)
        card.serviceName = entry.serviceName.substr(0, MAX_CARD_TEXT);
    if (entry.hasDescription)
        card.description = entry.description.substr(0, MAX_CARD_TEXT);
    if (entry.hasTitle)
    {
        card.title = entry.title.substr(0, MAX_CARD_TEXT);
    }
    else
    {
        char title[MAX_CARD_TEXT + 1];
        std::snprintf(title, sizeof(title), "[%d] %s", std::atoi(entry.key.c_str()),
                      card.description.c_str());
        card.title = title;
    }
    return card;
}

}  // namespace

MacUtil& MacUtil::operator=(const MacUtil&)
{
    return *this;
}

bool MacUtil::getHostId(const std::string& serviceName, std::string& hostId)
{
    hostId.clear();
    std::vector<unsigned char> answer;
    std::uint32_t medium = 0;
    if (!platform::networkCardQuery(serviceName, platform::NETWORK_OID_MEDIA_IN_USE, answer) ||
        answer.size() != sizeof(medium))
        return false;
    std::memcpy(&medium, answer.data(), sizeof(medium));
    std::uint32_t addressObject = 0;
    if (medium == platform::NETWORK_MEDIUM_802_3)
        addressObject = platform::NETWORK_OID_802_3_PERMANENT_ADDRESS;
    else if (medium == platform::NETWORK_MEDIUM_WAN)
        addressObject = platform::NETWORK_OID_WAN_PERMANENT_ADDRESS;
    else
        return true;
    if (!platform::networkCardQuery(serviceName, addressObject, answer) || answer.size() != 6)
        return false;
    char text[13];
    std::snprintf(text, sizeof(text), "%02X%02X%02X%02X%02X%02X", answer[0], answer[1], answer[2],
                  answer[3], answer[4], answer[5]);
    hostId = text;
    return true;
}

std::list<NetworkAdapter> MacUtil::getNetworkAdapters()
{
    std::list<NetworkAdapter> adapters;
    std::string hostId;
    for (const platform::NetworkCardEntry& entry : platform::networkCardEntries())
    {
        const CardRecord card = readCard(entry);
        if (getHostId(card.serviceName, hostId))
            adapters.emplace_back(card.title, hostId);
    }
    return adapters;
}

std::list<std::string> MacUtil::getMacAddress()
{
    std::list<std::string> addresses;
    std::string hostId;
    for (const platform::NetworkCardEntry& entry : platform::networkCardEntries())
    {
        if (getHostId(readCard(entry).serviceName, hostId) && !hostId.empty())
            addresses.push_back(hostId);
    }
    return addresses;
}
