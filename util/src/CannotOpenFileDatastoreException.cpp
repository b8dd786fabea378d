#include "CannotOpenFileDatastoreException.h"

#include "kbrAssert.h"

// The message (with its own check) is built before the parameter is checked.
CannotOpenFileDatastoreException::CannotOpenFileDatastoreException(const std::string& filePath)
    : DatastoreException{createErrorMessage(filePath), "DS_CANNOT_OPEN_FILE_ERROR_KEY", checkStringNotEmpty(filePath)}
{
}

CannotOpenFileDatastoreException::CannotOpenFileDatastoreException(const CannotOpenFileDatastoreException& other) = default;

CannotOpenFileDatastoreException::~CannotOpenFileDatastoreException() = default;

std::string CannotOpenFileDatastoreException::createErrorMessage(const std::string& filePath)
{
    KBR_ASSERT(! filePath.empty());
    return "The file '" + filePath + "' could not be opened.  Check that the file is not in use and try again.";
}
