#ifndef QVX_IPP_LIB_EXCEPTION_H
#define QVX_IPP_LIB_EXCEPTION_H

#include <string>

#include "HardwareException.h"

// An image-processing library reported an error code. Key "IPP_LIB_ERROR_KEY";
// parameters (errorCode).
class QVXUTIL_API IPPLibException : public HardwareException
{
public:
    explicit IPPLibException(const std::string& errorCode);
    IPPLibException(const IPPLibException& other);
    virtual ~IPPLibException();

private:
    static std::string createErrorMessage(const std::string& errorCode);
};

#endif
