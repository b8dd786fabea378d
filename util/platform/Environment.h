#ifndef QVX_ENVIRONMENT_H
#define QVX_ENVIRONMENT_H

#include <string>

#include "QvxExport.h"

// The process environment, read by name as given.
namespace qvx {
namespace platform {

// True and the value when the variable is set (possibly to the empty string).
QVXUTIL_API bool getEnvironmentVariable(const std::string& name, std::string& value);

}  // namespace platform
}  // namespace qvx

#endif
