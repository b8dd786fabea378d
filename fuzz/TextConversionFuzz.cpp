// StringUtil's conversions, hexadecimal text, word wrapping and environment
// expansion on arbitrary bytes. Checks run in nop mode, so a failed check
// returns and the code after it must still be safe. The conversions must
// agree with the stream and printf readings they are defined by.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <locale>
#include <memory>
#include <sstream>
#include <string>

#include "StringUtil.h"
#include "kbrAssert.h"

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

long streamInt(const std::string& s)
{
    std::istringstream in(s);
    in.imbue(std::locale::classic());
    std::int32_t v = 0;
    in >> std::noskipws >> v;
    return (in.fail() || in.peek() != EOF) ? 0 : v;
}

double streamDouble(const std::string& s)
{
    std::istringstream in(s);
    in.imbue(std::locale::classic());
    double v = 0;
    in >> std::noskipws >> v;
    return (in.fail() || in.peek() != EOF) ? 0.0 : v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    enableAssertNopMode();
    const std::string s(reinterpret_cast<const char*>(data), size);

    require(StringUtil::stringToInt(s) == streamInt(s));
    const double d = StringUtil::stringToDouble(s);
    const double expected = streamDouble(s);
    require(std::memcmp(&d, &expected, sizeof d) == 0);
    require(StringUtil::stringToInt(StringUtil::intToString(StringUtil::stringToInt(s))) ==
            StringUtil::stringToInt(s));

    if (size >= sizeof(double))
    {
        double bits;
        std::memcpy(&bits, data, sizeof bits);
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.16g", bits);
        require(StringUtil::doubleToString(bits) == buffer);
        long integer;
        std::memcpy(&integer, data, sizeof integer);
        std::snprintf(buffer, sizeof buffer, "%d", static_cast<std::int32_t>(static_cast<std::uint32_t>(integer)));
        require(StringUtil::intToString(integer) == buffer);
    }

    const unsigned long hex = StringUtil::hexStringToInt(s);
    require(hex <= 0xFFFFFFFFul);
    const std::string trimmed = StringUtil::trimHexString(s);
    require(trimmed == StringUtil::getLowerCase(trimmed));
    const std::string padded = StringUtil::padHexString(s);
    require(padded.size() >= 8);

    const int lineLength = size ? static_cast<int>(static_cast<std::int8_t>(data[0])) : 0;
    const std::string formatted = StringUtil::format(s, lineLength);
    require(formatted.size() == s.size());
    // Exactly sized heap buffers: any byte written past them is a report.
    const int sizeOfOutput = size > 1 ? static_cast<int>(data[1]) - 8 : 0;
    std::unique_ptr<char[]> output(new char[sizeOfOutput > 0 ? sizeOfOutput : 1]);
    const std::string text = s.substr(0, s.find('\0'));
    formatString(text.c_str(), lineLength, sizeOfOutput > 0 ? output.get() : nullptr, sizeOfOutput);
    if (sizeOfOutput > 0)
        require(std::strlen(output.get()) < static_cast<std::size_t>(sizeOfOutput));

    StringUtil::expandEnvironmentVariables(s);
    StringUtil::split(s, s.substr(0, size % 4));
    StringUtil::trim(s);
    return 0;
}
