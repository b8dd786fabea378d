#ifndef QVX_MEMORY_ALLOCATION_EXCEPTION_H
#define QVX_MEMORY_ALLOCATION_EXCEPTION_H

#include <string>

#include "HardwareException.h"

// A memory allocation failed. Key "CPP_MEMORY_ALLOCATION_ERROR_KEY"; a fixed
// message; parameters (fileName, line in decimal).
class QVXUTIL_API MemoryAllocationException : public HardwareException
{
public:
    MemoryAllocationException(const std::string& fileName, unsigned int line);
    MemoryAllocationException(const MemoryAllocationException& other);
    virtual ~MemoryAllocationException();
};

#endif
