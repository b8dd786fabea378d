#include "InterruptException.h"

InterruptException::InterruptException(const std::string& message)
    : XrayTesterException(message, "INTERRUPT_KEY")
{
}

InterruptException::InterruptException(const InterruptException& other) = default;

InterruptException::~InterruptException() = default;
