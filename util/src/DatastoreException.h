#ifndef QVX_DATASTORE_EXCEPTION_H
#define QVX_DATASTORE_EXCEPTION_H

#include <string>

#include "XrayTesterException.h"

// Base of the file-service failures. Parameter 0 is always the file concerned
// (the full path as the caller gave it, or a program's name); subclasses fix a
// "DS_" key and an operator message. Never thrown itself.
class QVXUTIL_API DatastoreException : public XrayTesterException
{
protected:
    // Declared before getFileNameWithFullPath so that it keeps the first virtual slot.
    virtual ~DatastoreException();

public:
    DatastoreException(const DatastoreException& other);

    // Parameter 0. Checks "getParameterCount() > 0"; when that check returns
    // (nop mode) on an exception without parameters, the result is "".
    virtual std::string getFileNameWithFullPath() const;

protected:
    DatastoreException(const std::string& message, const std::string& key, const std::string& p1);
    DatastoreException(const std::string& message, const std::string& key, const std::string& p1,
                       const std::string& p2);
    DatastoreException(const std::string& message, const std::string& key, const std::string& p1,
                       const std::string& p2, const std::string& p3, const std::string& p4);
};

#endif
