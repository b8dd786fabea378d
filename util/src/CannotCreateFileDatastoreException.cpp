#include "CannotCreateFileDatastoreException.h"

#include "kbrAssert.h"

// The message (with its own check) is built before the parameter is checked.
CannotCreateFileDatastoreException::CannotCreateFileDatastoreException(const std::string& filePath)
    : DatastoreException{createErrorMessage(filePath), "DS_CANNOT_CREATE_FILE_ERROR_KEY", checkStringNotEmpty(filePath)}
{
}

CannotCreateFileDatastoreException::CannotCreateFileDatastoreException(const CannotCreateFileDatastoreException& other) = default;

CannotCreateFileDatastoreException::~CannotCreateFileDatastoreException() = default;

std::string CannotCreateFileDatastoreException::createErrorMessage(const std::string& filePath)
{
    KBR_ASSERT(! filePath.empty());
    return "The file '" + filePath + "' could not be created.  Please make sure the disk is not write-protected.";
}
