#ifndef QVX_TEST_REGISTRY_VALUE_H
#define QVX_TEST_REGISTRY_VALUE_H

// What WindowUtil::getRegistryValue gives, or "check: <condition>" followed by
// " unsupported" for the unsupported-type message, when a check failed.
#include <string>

#include "FailedCheck.h"
#include "WindowUtil.h"

namespace qvxtest {

inline std::string registryValueOrCheck(HKEY root, const std::string& subKey, const std::string& value)
{
    ExceptionMode mode;
    try
    {
        return WindowUtil::getRegistryValue(root, subKey, value);
    }
    catch (const AssertException& e)
    {
        return "check: " + e.getParameter(0) +
               (e.getMessage().find("Unsuppported data type on value returned from registy") != std::string::npos
                    ? " unsupported"
                    : "");
    }
}

}  // namespace qvxtest

#endif
