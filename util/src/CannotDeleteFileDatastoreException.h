#ifndef QVX_CANNOT_DELETE_FILE_DATASTORE_EXCEPTION_H
#define QVX_CANNOT_DELETE_FILE_DATASTORE_EXCEPTION_H

#include <string>

#include "DatastoreException.h"

// A file could not be deleted. Key "DS_CANNOT_DELETE_FILE_ERROR_KEY"; parameters (filePath).
class QVXUTIL_API CannotDeleteFileDatastoreException : public DatastoreException
{
public:
    explicit CannotDeleteFileDatastoreException(const std::string& filePath);
    CannotDeleteFileDatastoreException(const CannotDeleteFileDatastoreException& other);
    virtual ~CannotDeleteFileDatastoreException();

private:
    static std::string createErrorMessage(const std::string& filePath);
};

#endif
