#include "OptionValues.h"

#include <cmath>
#include <cstdlib>

namespace qvxutil {

const std::string& optionValue(const Args& args, std::size_t& i)
{
    if (i + 1 >= args.size())
        throw UsageError{"option " + args[i] + " needs a value"};
    return args[++i];
}

unsigned int secondsAsMilliseconds(const std::string& option, const std::string& text)
{
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    // !(a <= b) also refuses NaN.
    if (text.empty() || *end != '\0' || !(seconds >= 0.0 && seconds <= 4000000.0))
        throw UsageError{option + " needs a number of seconds from 0 to 4000000: '" + text + "'"};
    return static_cast<unsigned int>(std::lround(seconds * 1000.0));
}

}  // namespace qvxutil
