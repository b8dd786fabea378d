#ifndef QVX_FILE_NOT_FOUND_DATASTORE_EXCEPTION_H
#define QVX_FILE_NOT_FOUND_DATASTORE_EXCEPTION_H

#include <string>

#include "DatastoreException.h"

// A file was not found. Key "DS_CANNOT_FIND_FILE_ERROR_KEY"; parameters
// (filePath). The one-argument form builds the message, the two-argument form
// keeps the caller's message unchanged (it may be empty).
class QVXUTIL_API FileNotFoundDatastoreException : public DatastoreException
{
public:
    explicit FileNotFoundDatastoreException(const std::string& filePath);
    FileNotFoundDatastoreException(const std::string& message, const std::string& filePath);
    FileNotFoundDatastoreException(const FileNotFoundDatastoreException& other);
    virtual ~FileNotFoundDatastoreException();

private:
    static std::string createErrorMessage(const std::string& filePath);
};

#endif
