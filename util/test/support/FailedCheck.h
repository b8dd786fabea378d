#ifndef QVX_TEST_FAILED_CHECK_H
#define QVX_TEST_FAILED_CHECK_H

// Observing failed checks in tests: exception mode turns a failed check into an
// AssertException whose parameters are (condition, file, line).
#include <string>
#include <utility>

#include "AssertException.h"
#include "kbrAssert.h"

namespace qvxtest {

// Switches exception mode on (and nop mode off) for a scope, restoring both.
class ExceptionMode
{
public:
    ExceptionMode() : _exception(isAssertExceptionModeEnabled()), _nop(isAssertNopModeEnabled())
    {
        enableAssertExceptionMode();
        disableAssertNopMode();
    }
    ~ExceptionMode()
    {
        _exception ? enableAssertExceptionMode() : disableAssertExceptionMode();
        _nop ? enableAssertNopMode() : disableAssertNopMode();
    }
    ExceptionMode(const ExceptionMode&) = delete;
    ExceptionMode& operator=(const ExceptionMode&) = delete;

private:
    bool _exception;
    bool _nop;
};

// Switches nop mode on for a scope, restoring it.
class NopMode
{
public:
    NopMode() : _nop(isAssertNopModeEnabled()) { enableAssertNopMode(); }
    ~NopMode() { _nop ? enableAssertNopMode() : disableAssertNopMode(); }
    NopMode(const NopMode&) = delete;
    NopMode& operator=(const NopMode&) = delete;

private:
    bool _nop;
};

// Runs call in exception mode. Returns the condition text of the first failed
// check, or "" when no check failed. Other exceptions pass through.
template <class Call>
std::string failedCheck(Call&& call)
{
    ExceptionMode mode;
    try
    {
        std::forward<Call>(call)();
    }
    catch (const AssertException& e)
    {
        return e.getParameter(0);
    }
    return std::string();
}

// As failedCheck, but returns "condition @ file" to also pin the reporting unit.
template <class Call>
std::string failedCheckWhere(Call&& call)
{
    ExceptionMode mode;
    try
    {
        std::forward<Call>(call)();
    }
    catch (const AssertException& e)
    {
        return e.getParameter(0) + " @ " + e.getParameter(1);
    }
    return std::string();
}

}  // namespace qvxtest

#endif
