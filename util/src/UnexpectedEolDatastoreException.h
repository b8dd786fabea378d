#ifndef QVX_UNEXPECTED_EOL_DATASTORE_EXCEPTION_H
#define QVX_UNEXPECTED_EOL_DATASTORE_EXCEPTION_H

#include <string>

#include "DatastoreException.h"

// A line of a file ended before an expected field. Key
// "DS_UNEXPECTED_EOL_ERROR_KEY"; parameters (filePath, line number in decimal,
// expectedSyntax, missingItem); the message spans three lines, the expected
// syntax alone on the second.
class QVXUTIL_API UnexpectedEolDatastoreException : public DatastoreException
{
public:
    UnexpectedEolDatastoreException(const std::string& filePath, int lineNumber,
                                    const std::string& expectedSyntax,
                                    const std::string& missingItem);
    UnexpectedEolDatastoreException(const UnexpectedEolDatastoreException& other);
    virtual ~UnexpectedEolDatastoreException();

private:
    // Static on purpose: it runs while the base is being initialised, before
    // this object exists, and calling a non-static member function of an
    // object whose base is not yet constructed is undefined behaviour.
    static std::string createErrorMessage(const std::string& filePath, int lineNumber,
                                          const std::string& expectedSyntax,
                                          const std::string& missingItem);
};

#endif
