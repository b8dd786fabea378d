#ifndef QVX_STRING_UTIL_H
#define QVX_STRING_UTIL_H

#include <list>
#include <string>

#include "QvxExport.h"

// Static helpers for the 8-bit byte strings the library passes around: case,
// number tests and conversions, Pascal strings, prefix/suffix tests, trimming,
// splitting, word wrapping, hexadecimal text and %NAME% expansion. Nothing keeps
// state; every function may run on any thread.
//
// 32-bit integers. The interface keeps `long` / `unsigned long`, but the values
// behave as the 32-bit integers these functions were designed around, so a
// caller sees the same results on every host:
//  - intToString(v) writes v taken as a signed 32-bit integer: a value beyond
//    32 bits is wrapped modulo 2^32 first, as a 32-bit `long` parameter would
//    have received it (intToString(4294967296L + 5) gives "5",
//    intToString(2147483648L) gives "-2147483648").
//  - stringToInt gives 0 for any text outside -2147483648..2147483647.
//  - intToHexString writes the low 32 bits of its value; hexStringToInt reads a
//    32-bit number and gives 0 for anything that does not fit. Being a stream
//    extraction, it also takes a leading sign, and a minus sign negates modulo
//    2^32 ("-1" gives 0xffffffff).
//
// Conversions never throw and never report. The readings are those of a string
// stream in the classic locale with leading-whitespace skipping off that must
// be consumed to its end (stringToInt, stringToDouble), and of "%.16g"
// (doubleToString); the implementation uses the faster <charconv> functions
// where they give identical results, which the tests check.
class QVXUTIL_API StringUtil
{
public:
    static std::string getUpperCase(const std::string& s);
    static std::string getLowerCase(const std::string& s);
    static bool equalsIgnoreCase(const std::string& a, const std::string& b);

    static bool isInteger(const std::string& s);
    static bool isNumeric(const std::string& s);

    static std::string intToString(long value);
    static std::string doubleToString(double value);
    static long stringToInt(const std::string& s);
    static double stringToDouble(const std::string& s);

    // p points at a length byte (0..255) followed by that many characters. A
    // null pointer gives the empty string.
    static std::string pascalToCString(char* p);
    static std::string cppStringToPascalString(const std::string& s);
    static std::string cppStringToPascalString(const std::string& s, unsigned int lengthLimit);

    static bool startsWith(const std::string& s, const std::string& prefix);
    static bool endsWith(const std::string& s, const std::string& suffix);
    static bool endsWithIgnoreCase(const std::string& s, const std::string& suffix);
    static bool contains(const std::string& s, const std::string& part);

    static std::string trim(const std::string& s);
    static std::list<std::string> trim(const std::list<std::string>& inputStringList);
    // Tokens of the line between runs of delimiter characters; never an empty
    // token, also when the line ends in delimiters ("a,b," gives a, b). A line
    // with no token at all (empty, or only delimiters) fails the check
    // "strings.empty() == false"; in nop mode the empty list is returned.
    static std::list<std::string> split(const std::string& line, const std::string& delimiters);

    static std::string format(const std::string& text, int lineLength);
    static std::string replaceCharWith(const std::string& inputString, char from, char to);

    static std::string intToHexString(unsigned long value, bool withPrefix);
    static unsigned long hexStringToInt(const std::string& stringToConvert);
    static std::string trimHexString(const std::string& stringToConvert);
    static std::string padHexString(const std::string& stringToConvert);

    static std::string expandEnvironmentVariables(const std::string& s);

private:
    static const std::string _whiteSpace;
};

// Wraps input with StringUtil::format and copies it, with its terminating zero,
// into output. The buffer must hold at least two bytes more than the wrapped
// text (the check "static_cast<unsigned int>(sizeOfOutput - 1) >
// formattedString.size()"). When that check fails and returns (nop mode), or
// sizeOfOutput is zero or negative, nothing is ever written outside the
// buffer: a positive size gets the wrapped text cut to sizeOfOutput - 1 bytes
// and a terminating zero; a size of zero or less leaves the buffer untouched.
// A null input counts as the empty text; a null output is never written.
QVXUTIL_C_API void formatString(const char* input, int lineLength, char* output, int sizeOfOutput);

#endif
