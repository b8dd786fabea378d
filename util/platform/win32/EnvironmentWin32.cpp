#include "Environment.h"

#include <windows.h>

#include <vector>

namespace qvx {
namespace platform {

// The process environment block; names are compared without regard to case,
// as Windows does.
bool getEnvironmentVariable(const std::string& name, std::string& value)
{
    ::SetLastError(ERROR_SUCCESS);
    DWORD needed = ::GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (needed == 0)
    {
        if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND)
            return false;
        value.clear();  // set to the empty string
        return true;
    }
    // The value may change between the two calls: retry until it fits.
    for (;;)
    {
        std::vector<char> buffer(needed);
        const DWORD length = ::GetEnvironmentVariableA(name.c_str(), buffer.data(), needed);
        if (length == 0)
        {
            if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND)
                return false;
            value.clear();
            return true;
        }
        if (length < needed)
        {
            value.assign(buffer.data(), length);
            return true;
        }
        needed = length;
    }
}

}  // namespace platform
}  // namespace qvx
