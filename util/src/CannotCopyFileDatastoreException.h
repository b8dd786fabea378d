#ifndef QVX_CANNOT_COPY_FILE_DATASTORE_EXCEPTION_H
#define QVX_CANNOT_COPY_FILE_DATASTORE_EXCEPTION_H

#include <string>

#include "DatastoreException.h"

// A file could not be copied. Key "DS_CANNOT_COPY_FILE_ERROR_KEY"; parameters
// (source path, target path).
class QVXUTIL_API CannotCopyFileDatastoreException : public DatastoreException
{
public:
    CannotCopyFileDatastoreException(const std::string& fromPath, const std::string& toPath);
    CannotCopyFileDatastoreException(const CannotCopyFileDatastoreException& other);
    virtual ~CannotCopyFileDatastoreException();

    // Parameter 0; checks "getParameterCount() > 0" ("" when that check returns).
    std::string getFromFileNameWithFullPath() const;
    // Parameter 1; checks "getParameterCount() > 1" ("" when that check returns).
    std::string getToFileNameWithFullPath() const;

private:
    static std::string createErrorMessage(const std::string& fromPath, const std::string& toPath);
};

#endif
