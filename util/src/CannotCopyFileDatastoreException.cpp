#include "CannotCopyFileDatastoreException.h"

#include <iterator>

#include "kbrAssert.h"

// Braced initialisation of the base evaluates left to right: the message (with
// its own checks) first, then each parameter's check.
CannotCopyFileDatastoreException::CannotCopyFileDatastoreException(const std::string& fromPath,
                                                                   const std::string& toPath)
    : DatastoreException{createErrorMessage(fromPath, toPath), "DS_CANNOT_COPY_FILE_ERROR_KEY",
                         checkStringNotEmpty(fromPath), checkStringNotEmpty(toPath)}
{
}

CannotCopyFileDatastoreException::CannotCopyFileDatastoreException(
    const CannotCopyFileDatastoreException& other) = default;

CannotCopyFileDatastoreException::~CannotCopyFileDatastoreException() = default;

std::string CannotCopyFileDatastoreException::getFromFileNameWithFullPath() const
{
    if (!(getParameterCount() > 0))
    {
        showKbrAssert("getParameterCount() > 0", __FILE__, __LINE__);
        return std::string();  // nop mode: nothing to return
    }
    return getParametersRef().front();
}

std::string CannotCopyFileDatastoreException::getToFileNameWithFullPath() const
{
    if (!(getParameterCount() > 1))
    {
        showKbrAssert("getParameterCount() > 1", __FILE__, __LINE__);
        return std::string();  // nop mode: nothing to return
    }
    return *std::next(getParametersRef().begin());
}

std::string CannotCopyFileDatastoreException::createErrorMessage(const std::string& fromPath,
                                                                 const std::string& toPath)
{
    KBR_ASSERT(! fromPath.empty());
    KBR_ASSERT(! toPath.empty());
    return "The file '" + fromPath + "' could not be copied to '" + toPath +
           "'.  Please make sure these files are not in use and the disk is not write-protected.";
}
