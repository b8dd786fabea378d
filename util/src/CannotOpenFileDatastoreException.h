#ifndef QVX_CANNOT_OPEN_FILE_DATASTORE_EXCEPTION_H
#define QVX_CANNOT_OPEN_FILE_DATASTORE_EXCEPTION_H

#include <string>

#include "DatastoreException.h"

// A file could not be opened. Key "DS_CANNOT_OPEN_FILE_ERROR_KEY"; parameters (filePath).
class QVXUTIL_API CannotOpenFileDatastoreException : public DatastoreException
{
public:
    explicit CannotOpenFileDatastoreException(const std::string& filePath);
    CannotOpenFileDatastoreException(const CannotOpenFileDatastoreException& other);
    virtual ~CannotOpenFileDatastoreException();

private:
    static std::string createErrorMessage(const std::string& filePath);
};

#endif
