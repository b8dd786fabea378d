#include "NetworkAdapter.h"

NetworkAdapter::NetworkAdapter(const std::string& title, const std::string& hostId)
    : title(title), hostId(hostId)
{
}

NetworkAdapter::NetworkAdapter(const NetworkAdapter& other) = default;

NetworkAdapter& NetworkAdapter::operator=(const NetworkAdapter& other) = default;

NetworkAdapter::~NetworkAdapter() = default;

std::string NetworkAdapter::getTitle() const
{
    return title;
}

std::string NetworkAdapter::getHostId() const
{
    return hostId;
}
