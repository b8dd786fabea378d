#ifndef QVX_EXCEPTION_H
#define QVX_EXCEPTION_H

#include <string>

#include "QvxExport.h"

// A message-only exception, unrelated to the keyed hierarchy; the thread
// classes throw it. Not derived from std::exception.
class QVXUTIL_API Exception
{
public:
    explicit Exception(const std::string& message);
    Exception(const Exception& other);
    Exception& operator=(const Exception&) = delete;
    virtual ~Exception();

    virtual std::string getMessage() const;

private:
    const std::string _message;
};

#endif
