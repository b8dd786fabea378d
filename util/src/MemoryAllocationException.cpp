#include "MemoryAllocationException.h"

// std::to_string writes the digits a classic-locale stream writes.
MemoryAllocationException::MemoryAllocationException(const std::string& fileName,
                                                     unsigned int line)
    : HardwareException("Error: Failed to allocated sufficient memory.",
                        "CPP_MEMORY_ALLOCATION_ERROR_KEY", checkStringNotEmpty(fileName),
                        std::to_string(line))
{
}

MemoryAllocationException::MemoryAllocationException(const MemoryAllocationException& other) =
    default;

MemoryAllocationException::~MemoryAllocationException() = default;
