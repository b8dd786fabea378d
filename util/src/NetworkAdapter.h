#ifndef QVX_NETWORK_ADAPTER_H
#define QVX_NETWORK_ADAPTER_H

#include <string>

#include "QvxExport.h"

// One network adapter as MacUtil lists it: its display title and its host id,
// the permanent hardware address as twelve upper-case hexadecimal digits
// (empty when the adapter's medium has no address).
class QVXUTIL_API NetworkAdapter
{
public:
    NetworkAdapter(const std::string& title, const std::string& hostId);
    NetworkAdapter(const NetworkAdapter& other);
    NetworkAdapter& operator=(const NetworkAdapter& other);
    ~NetworkAdapter();

    std::string getTitle() const;
    std::string getHostId() const;

private:
    std::string title;
    std::string hostId;
};

#endif
