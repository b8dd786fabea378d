#include "DatastoreException.h"

#include "kbrAssert.h"

DatastoreException::DatastoreException(const std::string& message, const std::string& key,
                                       const std::string& p1)
    : XrayTesterException(message, key, p1)
{
}

DatastoreException::DatastoreException(const std::string& message, const std::string& key,
                                       const std::string& p1, const std::string& p2)
    : XrayTesterException(message, key, p1, p2)
{
}

DatastoreException::DatastoreException(const std::string& message, const std::string& key,
                                       const std::string& p1, const std::string& p2,
                                       const std::string& p3, const std::string& p4)
    : XrayTesterException(message, key, p1, p2, p3, p4)
{
}

DatastoreException::DatastoreException(const DatastoreException& other) = default;

DatastoreException::~DatastoreException() = default;

std::string DatastoreException::getFileNameWithFullPath() const
{
    if (!(getParameterCount() > 0))
    {
        showKbrAssert("getParameterCount() > 0", __FILE__, __LINE__);
        return std::string();  // nop mode: there is no file to name
    }
    return getParametersRef().front();
}
