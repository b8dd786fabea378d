#ifndef QVX_CANNOT_CREATE_FILE_DATASTORE_EXCEPTION_H
#define QVX_CANNOT_CREATE_FILE_DATASTORE_EXCEPTION_H

#include <string>

#include "DatastoreException.h"

// A file could not be created. Key "DS_CANNOT_CREATE_FILE_ERROR_KEY"; parameters (filePath).
class QVXUTIL_API CannotCreateFileDatastoreException : public DatastoreException
{
public:
    explicit CannotCreateFileDatastoreException(const std::string& filePath);
    CannotCreateFileDatastoreException(const CannotCreateFileDatastoreException& other);
    virtual ~CannotCreateFileDatastoreException();

private:
    static std::string createErrorMessage(const std::string& filePath);
};

#endif
