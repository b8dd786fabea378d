#ifndef QVXUTIL_OPTION_VALUES_H
#define QVXUTIL_OPTION_VALUES_H

#include <string>

#include "Command.h"

// Values of a command's options, read the same way by every command that has
// them; bad or missing values are usage errors.
namespace qvxutil {

// The value after the option at args[i] (i moves onto it); a usage error
// when the option is the last argument.
const std::string& optionValue(const Args& args, std::size_t& i);

// A time in seconds ("30", "0.5") as whole milliseconds, 0 to 4,000,000 s.
unsigned int secondsAsMilliseconds(const std::string& option, const std::string& text);

}  // namespace qvxutil

#endif
