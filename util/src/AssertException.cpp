#include "AssertException.h"

#include "kbrAssert.h"

namespace {
// The digits a classic-locale output stream writes for an unsigned number: no
// sign, no padding, no grouping, whatever the global locale is.
std::string lineText(unsigned int line)
{
    return std::to_string(line);
}
}  // namespace

// Braced initialisation of the base fixes the order: message first (with its
// own checks), then the parameter checks.
AssertException::AssertException(const std::string& condition, const std::string& fileName,
                                 unsigned int line)
    : XrayTesterException{createErrorMessage(condition, fileName, line), "ASSERT_EXCEPTION_KEY",
                          makeCheckedParameters(condition, fileName, line)}
{
}

AssertException::AssertException(const std::string& condition, const std::string& message,
                                 const std::string& fileName, unsigned int line)
    : XrayTesterException{createErrorMessage(condition, message, fileName, line),
                          "ASSERT_EXCEPTION_KEY",
                          makeCheckedParameters(condition, fileName, line)}
{
}

AssertException::AssertException(const AssertException& other) = default;

AssertException::~AssertException() = default;

std::string AssertException::createErrorMessage(const std::string& condition,
                                                const std::string& fileName, unsigned int line)
{
    KBR_ASSERT(! condition.empty());
    KBR_ASSERT(! fileName.empty());
    return "Internal error - An assert condition '" + condition + "' failed at line number " +
           lineText(line) + " in file '" + fileName + "'.";
}

std::string AssertException::createErrorMessage(const std::string& condition,
                                                const std::string& message,
                                                const std::string& fileName, unsigned int line)
{
    KBR_ASSERT(condition.empty() == false);
    KBR_ASSERT(fileName.empty() == false);
    return "Internal error - An assert condition '" + condition + "' (" + message +
           ") failed at line number " + lineText(line) + " in file '" + fileName + "'.";
}

std::list<std::string> AssertException::makeCheckedParameters(const std::string& condition,
                                                              const std::string& fileName,
                                                              unsigned int line)
{
    const std::string& checkedFile = checkStringNotEmpty(fileName);
    const std::string& checkedCondition = checkStringNotEmpty(condition);
    return {checkedCondition, checkedFile, lineText(line)};
}
