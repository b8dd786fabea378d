#include "InvalidFileDatastoreException.h"

InvalidFileDatastoreException::InvalidFileDatastoreException(const std::string& message,
                                                             const std::string& filePath)
    : DatastoreException(message, "DS_INVALID_FILE_ERROR_KEY", checkStringNotEmpty(filePath))
{
}

InvalidFileDatastoreException::InvalidFileDatastoreException(
    const InvalidFileDatastoreException& other) = default;

InvalidFileDatastoreException::~InvalidFileDatastoreException() = default;
