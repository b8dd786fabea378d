#ifndef QVX_CANNOT_LAUNCH_PROGRAM_FROM_PATH_DATASTORE_EXCEPTION_H
#define QVX_CANNOT_LAUNCH_PROGRAM_FROM_PATH_DATASTORE_EXCEPTION_H

#include <string>

#include "DatastoreException.h"

// A program could not be started from the search path. Key "DS_CANNOT_LAUNCH_PROGRAM_ERROR_KEY"; parameters (programName).
class QVXUTIL_API CannotLaunchProgramFromPathDatastoreException : public DatastoreException
{
public:
    explicit CannotLaunchProgramFromPathDatastoreException(const std::string& programName);
    CannotLaunchProgramFromPathDatastoreException(const CannotLaunchProgramFromPathDatastoreException& other);
    virtual ~CannotLaunchProgramFromPathDatastoreException();

private:
    static std::string createErrorMessage(const std::string& programName);
};

#endif
