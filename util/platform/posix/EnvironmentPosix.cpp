#include "Environment.h"

#include <cstdlib>

namespace qvx {
namespace platform {

bool getEnvironmentVariable(const std::string& name, std::string& value)
{
    const char* v = std::getenv(name.c_str());
    if (v == nullptr)
        return false;
    value = v;
    return true;
}

}  // namespace platform
}  // namespace qvx
