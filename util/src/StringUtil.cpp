#include "StringUtil.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <locale>
#include <sstream>

#include "ParseUtil.h"
#include "kbrAssert.h"

const std::string StringUtil::_whiteSpace = " \t\n\r\f";

namespace {

// toupper / tolower of the classic locale: only the ASCII letters change, and
// whatever locale the process has set plays no part.
inline char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The stream reading of a double: classic locale, no whitespace skipping, the
// whole text consumed. Used where <charconv> cannot tell the stream's answer
// (results out of range).
double streamToDouble(const std::string& s)
{
    try
    {
        std::istringstream in(s);
        in.imbue(std::locale::classic());
        in >> std::noskipws;
        double value = 0.0;
        in >> value;
        if (in.fail() || in.peek() != std::istringstream::traits_type::eof())
            return 0.0;
        return value;
    }
    catch (...)
    {
        return 0.0;
    }
}

}  // namespace

std::string StringUtil::getUpperCase(const std::string& s)
{
    std::string result(s);
    for (char& c : result)
        c = upper(c);
    return result;
}

std::string StringUtil::getLowerCase(const std::string& s)
{
    std::string result(s);
    for (char& c : result)
        c = lower(c);
    return result;
}

bool StringUtil::equalsIgnoreCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::string::size_type i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

bool StringUtil::isInteger(const std::string& s)
{
    if (s.empty())
        return false;
    std::string::size_type i = (s[0] == '-') ? 1 : 0;
    for (; i < s.size(); ++i)
        if (!isDigit(s[i]))
            return false;
    return true;
}

bool StringUtil::isNumeric(const std::string& s)
{
    if (s.empty())
        return false;
    int points = 0;
    for (std::string::size_type i = 0; i < s.size(); ++i)
    {
        const char c = s[i];
        if (c == '.')
            ++points;
        else if (!isDigit(c) && !(i == 0 && c == '-'))
            return false;
    }
    return points <= 1;
}

std::string StringUtil::intToString(long value)
{
    // The value as a 32-bit long would have held it: wrapped modulo 2^32.
    const std::int32_t v = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    std::uint32_t magnitude = v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
    // Two digits per step from a table; at most 10 digits and a sign.
    static const char pairs[] =
        "0001020304050607080910111213141516171819202122232425262728293031323334353637383940414243444546474849"
        "5051525354555657585960616263646566676869707172737475767778798081828384858687888990919293949596979899";
    char buffer[12];
    char* p = buffer + sizeof buffer;
    while (magnitude >= 100)
    {
        const unsigned int i = (magnitude % 100) * 2;
        magnitude /= 100;
        *--p = pairs[i + 1];
        *--p = pairs[i];
    }
    if (magnitude >= 10)
    {
        *--p = pairs[magnitude * 2 + 1];
        *--p = pairs[magnitude * 2];
    }
    else
    {
        *--p = static_cast<char>('0' + magnitude);
    }
    if (v < 0)
        *--p = '-';
    return std::string(p, buffer + sizeof buffer);
}

std::string StringUtil::doubleToString(double value)
{
    // to_chars with a precision is defined as printf's "%.*g" in the C locale,
    // which is what a stream with precision 16 writes.
    char buffer[64];
    const std::to_chars_result r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 16);
    if (r.ec != std::errc())
        return std::string();
    return std::string(buffer, r.ptr);
}

long StringUtil::stringToInt(const std::string& s)
{
    const char* first = s.data();
    const char* const last = first + s.size();
    // The stream accepts one leading '+'; from_chars does not.
    if (first != last && *first == '+')
    {
        ++first;
        if (first == last || *first == '-')
            return 0;
    }
    std::int32_t value = 0;
    const std::from_chars_result r = std::from_chars(first, last, value);
    if (r.ec != std::errc() || r.ptr != last)
        return 0;
    return value;
}

double StringUtil::stringToDouble(const std::string& s)
{
    const char* first = s.data();
    const char* const last = first + s.size();
    const char* digits = first;
    if (digits != last && (*digits == '+' || *digits == '-'))
        ++digits;
    // The stream reads digits and a decimal point only: no "inf", "nan" or hex
    // form, which from_chars would take.
    if (digits == last || !(isDigit(*digits) || *digits == '.'))
        return 0.0;
    if (*first == '+')
        first = digits;
    double value = 0.0;
    const std::from_chars_result r =
        std::from_chars(first, last, value, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range)
        return streamToDouble(s);  // overflow fails, underflow gives 0 or a tiny value
    if (r.ec != std::errc() || r.ptr != last)
        return 0.0;
    return value;
}

std::string StringUtil::pascalToCString(char* p)
{
    if (p == nullptr)
        return std::string();
    const unsigned int length = static_cast<unsigned char>(p[0]);
    return std::string(p + 1, length);
}

std::string StringUtil::cppStringToPascalString(const std::string& s)
{
    const std::string::size_type length = s.size() < 255 ? s.size() : 255;
    std::string result;
    result.reserve(length + 1);
    result.push_back(static_cast<char>(static_cast<unsigned char>(length)));
    result.append(s, 0, length);
    return result;
}

std::string StringUtil::cppStringToPascalString(const std::string& s, unsigned int lengthLimit)
{
    return cppStringToPascalString(s.substr(0, lengthLimit));
}

bool StringUtil::startsWith(const std::string& s, const std::string& prefix)
{
    return prefix.size() <= s.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool StringUtil::endsWith(const std::string& s, const std::string& suffix)
{
    return suffix.size() <= s.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool StringUtil::endsWithIgnoreCase(const std::string& s, const std::string& suffix)
{
    if (suffix.size() > s.size())
        return false;
    const std::string::size_type offset = s.size() - suffix.size();
    for (std::string::size_type i = 0; i < suffix.size(); ++i)
        if (lower(s[offset + i]) != lower(suffix[i]))
            return false;
    return true;
}

bool StringUtil::contains(const std::string& s, const std::string& part)
{
    return s.find(part) < s.size();
}

std::string StringUtil::trim(const std::string& s)
{
    const std::string::size_type first = s.find_first_not_of(_whiteSpace);
    if (first == std::string::npos)
        return std::string();
    const std::string::size_type last = s.find_last_not_of(_whiteSpace);
    return s.substr(first, last - first + 1);
}

std::list<std::string> StringUtil::trim(const std::list<std::string>& inputStringList)
{
    KBR_ASSERT(inputStringList.empty() == false);
    std::list<std::string> result;
    for (const std::string& s : inputStringList)
        result.push_back(trim(s));
    return result;
}

std::list<std::string> StringUtil::split(const std::string& line, const std::string& delimiters)
{
    std::list<std::string> strings;
    ParseUtil parser(line, delimiters);
    while (parser.hasMoreTokens())
    {
        // The tokenizer answers "" only when no token is left (a line made of
        // delimiters); that is not a token.
        std::string token = parser.getNextToken();
        if (!token.empty())
            strings.push_back(std::move(token));
    }
    KBR_ASSERT(strings.empty() == false);
    return strings;
}

std::string StringUtil::format(const std::string& text, int lineLength)
{
    KBR_ASSERT(lineLength > 0);
    if (static_cast<long long>(text.size()) <= lineLength)
        return text;
    std::string result(text);
    long long limit = lineLength;
    for (std::string::size_type i = 0; i < result.size(); ++i)
    {
        const char c = result[i];
        const long long next = static_cast<long long>(i) + 1;
        if (c == '\n' || (c == ' ' && next > limit))
        {
            result[i] = '\n';
            limit = next + lineLength;
        }
    }
    return result;
}

void formatString(const char* input, int lineLength, char* output, int sizeOfOutput)
{
    const std::string formattedString = StringUtil::format(input ? input : "", lineLength);
    // sizeOfOutput - 1 taken as unsigned, computed without signed overflow.
    const unsigned int room = static_cast<unsigned int>(sizeOfOutput) - 1u;
    if (!(room > formattedString.size()))
        showKbrAssert("static_cast<unsigned int>(sizeOfOutput - 1) > formattedString.size()",
                      __FILE__, __LINE__);
    // Reached with a buffer too small only in nop mode: copy what fits and end
    // it with a zero; a size of zero or less has no room even for that.
    if (output == nullptr || sizeOfOutput <= 0)
        return;
    std::string::size_type count = formattedString.size();
    if (count > static_cast<std::string::size_type>(sizeOfOutput) - 1)
        count = static_cast<std::string::size_type>(sizeOfOutput) - 1;
    std::memcpy(output, formattedString.data(), count);
    output[count] = '\0';
}

std::string StringUtil::replaceCharWith(const std::string& inputString, char from, char to)
{
    KBR_ASSERT(inputString.empty() == false);
    std::string result(inputString);
    for (char& c : result)
        if (c == from)
            c = to;
    return result;
}

std::string StringUtil::intToHexString(unsigned long value, bool withPrefix)
{
    static const char digits[] = "0123456789abcdef";
    std::uint32_t v = static_cast<std::uint32_t>(value);  // the low 32 bits
    char buffer[10];
    char* p = buffer + sizeof buffer;
    do
    {
        *--p = digits[v & 0xF];
        v >>= 4;
    } while (v != 0);
    std::string result;
    if (withPrefix)
        result = "0x";
    result.append(p, buffer + sizeof buffer);
    return result;
}

unsigned long StringUtil::hexStringToInt(const std::string& stringToConvert)
{
    KBR_ASSERT(stringToConvert.empty() == false);
    // A 32-bit reading by the stream itself (skips leading whitespace, takes
    // an optional 0x, stops at the first non-digit); anything that does not
    // fit in 32 bits fails and gives 0.
    try
    {
        std::istringstream in(stringToConvert);
        in.imbue(std::locale::classic());
        std::uint32_t value = 0;
        in >> std::hex >> value;
        if (in.fail())
            return 0;
        return value;
    }
    catch (...)
    {
        return 0;
    }
}

std::string StringUtil::trimHexString(const std::string& stringToConvert)
{
    const std::string hexPrefix = "0x";
    KBR_ASSERT(stringToConvert.empty() == false);
    KBR_ASSERT(stringToConvert != hexPrefix);
    const std::string copy = getLowerCase(stringToConvert);
    const bool prefixed = copy.find(hexPrefix) != std::string::npos;
    return intToHexString(hexStringToInt(copy), prefixed);
}

std::string StringUtil::padHexString(const std::string& stringToConvert)
{
    KBR_ASSERT(stringToConvert.empty() == false);
    std::string copy = getLowerCase(stringToConvert);
    const std::string::size_type prefixAt = copy.find("0x");
    const bool prefixed = prefixAt != std::string::npos;
    if (prefixed)
        copy.erase(0, prefixAt + 2);
    if (copy.size() < 8)
        copy.insert(0, 8 - copy.size(), '0');
    if (prefixed)
        copy.insert(0, "0x");
    return copy;
}

std::string StringUtil::expandEnvironmentVariables(const std::string& s)
{
    std::string result;
    result.reserve(s.size());
    std::string name;
    bool inName = false;
    for (const char c : s)
    {
        if (!inName)
        {
            if (c == '%')
            {
                inName = true;
                name.clear();
            }
            else
            {
                result.push_back(c);
            }
        }
        else if (c != '%')
        {
            name.push_back(c);
        }
        else
        {
            if (const char* value = std::getenv(name.c_str()))
                result.append(value);
            inName = false;
        }
    }
    return result;
}
