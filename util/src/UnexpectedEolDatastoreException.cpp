#include "UnexpectedEolDatastoreException.h"

#include "kbrAssert.h"

// Braced initialisation of the base evaluates left to right: the message (with
// its own checks) first, then each string parameter's check. The line number's
// text never is empty, so it needs no check. std::to_string writes what a
// classic-locale output stream writes, independent of the global locale.
UnexpectedEolDatastoreException::UnexpectedEolDatastoreException(
    const std::string& filePath, int lineNumber, const std::string& expectedSyntax,
    const std::string& missingItem)
    : DatastoreException{createErrorMessage(filePath, lineNumber, expectedSyntax, missingItem),
                         "DS_UNEXPECTED_EOL_ERROR_KEY",
                         checkStringNotEmpty(filePath),
                         std::to_string(lineNumber),
                         checkStringNotEmpty(expectedSyntax),
                         checkStringNotEmpty(missingItem)}
{
}

UnexpectedEolDatastoreException::UnexpectedEolDatastoreException(
    const UnexpectedEolDatastoreException& other) = default;

UnexpectedEolDatastoreException::~UnexpectedEolDatastoreException() = default;

std::string UnexpectedEolDatastoreException::createErrorMessage(const std::string& filePath,
                                                                int lineNumber,
                                                                const std::string& expectedSyntax,
                                                                const std::string& missingItem)
{
    KBR_ASSERT(! filePath.empty());
    KBR_ASSERT(! expectedSyntax.empty());
    KBR_ASSERT(! missingItem.empty());
    return "Line " + std::to_string(lineNumber) + " in the file '" + filePath +
           "' expected the following syntax: \n" + expectedSyntax + "\n" + "The " + missingItem +
           " field was missing.";
}
