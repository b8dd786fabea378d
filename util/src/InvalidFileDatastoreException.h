#ifndef QVX_INVALID_FILE_DATASTORE_EXCEPTION_H
#define QVX_INVALID_FILE_DATASTORE_EXCEPTION_H

#include <string>

#include "DatastoreException.h"

// A file's content is not what the reader expects. Key
// "DS_INVALID_FILE_ERROR_KEY"; the caller's message unchanged (it may be
// empty); parameters (filePath).
class QVXUTIL_API InvalidFileDatastoreException : public DatastoreException
{
public:
    InvalidFileDatastoreException(const std::string& message, const std::string& filePath);
    InvalidFileDatastoreException(const InvalidFileDatastoreException& other);
    virtual ~InvalidFileDatastoreException();
};

#endif
