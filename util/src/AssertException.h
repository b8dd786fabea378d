#ifndef QVX_ASSERT_EXCEPTION_H
#define QVX_ASSERT_EXCEPTION_H

#include <string>

#include "XrayTesterException.h"

// Thrown by a failed check in exception mode and in JNI mode. Key
// "ASSERT_EXCEPTION_KEY"; parameters (condition, source file, line).
class QVXUTIL_API AssertException : public XrayTesterException
{
public:
    AssertException(const std::string& condition, const std::string& fileName, unsigned int line);
    AssertException(const std::string& condition, const std::string& message,
                    const std::string& fileName, unsigned int line);
    AssertException(const AssertException& other);
    virtual ~AssertException();

private:
    static std::string createErrorMessage(const std::string& condition,
                                          const std::string& fileName, unsigned int line);
    static std::string createErrorMessage(const std::string& condition,
                                          const std::string& message,
                                          const std::string& fileName, unsigned int line);
    // The parameter list, checking the file name first and then the condition.
    static std::list<std::string> makeCheckedParameters(const std::string& condition,
                                                        const std::string& fileName,
                                                        unsigned int line);
};

#endif
