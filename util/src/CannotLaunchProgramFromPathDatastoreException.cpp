#include "CannotLaunchProgramFromPathDatastoreException.h"

#include "kbrAssert.h"

// The message (with its own check) is built before the parameter is checked.
CannotLaunchProgramFromPathDatastoreException::CannotLaunchProgramFromPathDatastoreException(const std::string& programName)
    : DatastoreException{createErrorMessage(programName), "DS_CANNOT_LAUNCH_PROGRAM_ERROR_KEY", checkStringNotEmpty(programName)}
{
}

CannotLaunchProgramFromPathDatastoreException::CannotLaunchProgramFromPathDatastoreException(const CannotLaunchProgramFromPathDatastoreException& other) = default;

CannotLaunchProgramFromPathDatastoreException::~CannotLaunchProgramFromPathDatastoreException() = default;

std::string CannotLaunchProgramFromPathDatastoreException::createErrorMessage(const std::string& programName)
{
    KBR_ASSERT(! programName.empty());
    return "A problem occured while attempting to run the program '" + programName + "'.  Please confirm that the program exists on the path.";
}
