#ifndef QVX_INTERRUPT_EXCEPTION_H
#define QVX_INTERRUPT_EXCEPTION_H

#include <string>

#include "XrayTesterException.h"

// An operation was interrupted. Key "INTERRUPT_KEY"; the caller's message; no
// parameters.
class QVXUTIL_API InterruptException : public XrayTesterException
{
public:
    explicit InterruptException(const std::string& message);
    InterruptException(const InterruptException& other);
    virtual ~InterruptException();
};

#endif
