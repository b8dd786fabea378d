#include "FileNotFoundDatastoreException.h"

#include "kbrAssert.h"

// The message (with its own check) is built before the parameter is checked.
FileNotFoundDatastoreException::FileNotFoundDatastoreException(const std::string& filePath)
    : DatastoreException{createErrorMessage(filePath), "DS_CANNOT_FIND_FILE_ERROR_KEY",
                         checkStringNotEmpty(filePath)}
{
}

FileNotFoundDatastoreException::FileNotFoundDatastoreException(const std::string& message,
                                                               const std::string& filePath)
    : DatastoreException(message, "DS_CANNOT_FIND_FILE_ERROR_KEY", checkStringNotEmpty(filePath))
{
}

FileNotFoundDatastoreException::FileNotFoundDatastoreException(
    const FileNotFoundDatastoreException& other) = default;

FileNotFoundDatastoreException::~FileNotFoundDatastoreException() = default;

std::string FileNotFoundDatastoreException::createErrorMessage(const std::string& filePath)
{
    KBR_ASSERT(! filePath.empty());
    return "The file '" + filePath + "' was not found.";
}
