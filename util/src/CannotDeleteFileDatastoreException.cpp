#include "CannotDeleteFileDatastoreException.h"

#include "kbrAssert.h"

// The message (with its own check) is built before the parameter is checked.
CannotDeleteFileDatastoreException::CannotDeleteFileDatastoreException(const std::string& filePath)
    : DatastoreException{createErrorMessage(filePath), "DS_CANNOT_DELETE_FILE_ERROR_KEY", checkStringNotEmpty(filePath)}
{
}

CannotDeleteFileDatastoreException::CannotDeleteFileDatastoreException(const CannotDeleteFileDatastoreException& other) = default;

CannotDeleteFileDatastoreException::~CannotDeleteFileDatastoreException() = default;

std::string CannotDeleteFileDatastoreException::createErrorMessage(const std::string& filePath)
{
    KBR_ASSERT(! filePath.empty());
    return "The file '" + filePath + "' could not be deleted.  Please make sure the file is not in use and that the disk is not write-protected.";
}
