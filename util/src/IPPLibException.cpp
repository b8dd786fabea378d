#include "IPPLibException.h"

#include "kbrAssert.h"

// The message (with its own check) is built before the parameter is checked.
IPPLibException::IPPLibException(const std::string& errorCode)
    : HardwareException{createErrorMessage(errorCode), "IPP_LIB_ERROR_KEY",
                        checkStringNotEmpty(errorCode)}
{
}

IPPLibException::IPPLibException(const IPPLibException& other) = default;

IPPLibException::~IPPLibException() = default;

std::string IPPLibException::createErrorMessage(const std::string& errorCode)
{
    KBR_ASSERT(! errorCode.empty());
    return "Error in IPP library with error code: " + errorCode + ".";
}
