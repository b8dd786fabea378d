#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <sstream>

#include "FailedCheck.h"
#include "StringUtil.h"

using qvxtest::failedCheck;
using qvxtest::failedCheckWhere;
using S = StringUtil;

namespace {

// The readings the conversions are defined by: a classic-locale stream without
// whitespace skipping that must be consumed to its end, into 32-bit values.
template <class T>
T streamRead(const std::string& s)
{
    std::istringstream in(s);
    in.imbue(std::locale::classic());
    T v = 0;
    in >> std::noskipws >> v;
    return (in.fail() || in.peek() != EOF) ? 0 : v;
}

std::string printfG16(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.16g", v);
    return buf;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

double fromBits(std::uint64_t bits)  // any pattern: NaNs, subnormals, huge values
{
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

}  // namespace

TEST(StringUtilTest, TextToNumberMatchesStreamReading)
{
    // text, isInteger, isNumeric
    const std::tuple<const char*, bool, bool> kinds[] = {
        {"", 0, 0}, {"-", 1, 1}, {"-12", 1, 1}, {"+12", 0, 0}, {" 1", 0, 0}, {"1.5", 0, 1},
        {"1.2.3", 0, 0}, {".", 0, 1}, {"-.", 0, 1}, {"1e5", 0, 0}, {"1-2", 0, 0}, {"5.", 0, 1}};
    for (const auto& [s, integer, numeric] : kinds)
        EXPECT_TRUE(S::isInteger(s) == integer && S::isNumeric(s) == numeric) << '"' << s << '"';
    // Besides the random texts below: letters, and the 32-bit limits exactly.
    const std::pair<const char*, long> ints[] = {
        {"+17", 17}, {"12abc", 0}, {"0x10", 0}, {"2147483647", INT32_MAX}, {"2147483648", 0},
        {"-2147483648", INT32_MIN}, {"-2147483649", 0}, {"00000000000000000042", 42}};
    for (const auto& [s, v] : ints)
        EXPECT_EQ(v, S::stringToInt(s)) << '"' << s << '"';
    const char* doubles[] = {"-1.5", "+2.5", "1e+", "inf", "nan", "0x1p3", "1e400", "-1e400", "1e-400",
                             "-1e-400", "2e-324", "4e-324", "1.7976931348623159e308", "-0"};
    for (const char* s : doubles)
        EXPECT_TRUE(sameBits(streamRead<double>(s), S::stringToDouble(s))) << '"' << s << '"';

    std::mt19937_64 rng(11);
    for (int i = 0; i < 100000; ++i)
    {
        std::string s;
        for (std::size_t n = rng() % 9; s.size() < n;)
            s += "0123456789+-. eE"[rng() % 16];
        if (i % 4 == 1)  // near and past the 32-bit limits
            s = std::to_string(static_cast<long long>(static_cast<std::int64_t>(rng()) >> (rng() % 64)));
        if (i % 4 == 2)
            s = printfG16(fromBits(rng()) * (i % 3));
        ASSERT_EQ(streamRead<std::int32_t>(s), S::stringToInt(s)) << '"' << s << '"';
        ASSERT_TRUE(sameBits(streamRead<double>(s), S::stringToDouble(s))) << '"' << s << '"';
    }
}

TEST(StringUtilTest, DoubleToStringWritesWhatPrintfG16Writes)
{
    EXPECT_EQ("0.3333333333333333", S::doubleToString(1.0 / 3.0));
    EXPECT_EQ("1e+16", S::doubleToString(1e16));
    for (double d : {-0.0, HUGE_VAL, -HUGE_VAL, 0.0 / 0.0, -(0.0 / 0.0), 5e-324})  // rare among random bits
        EXPECT_EQ(printfG16(d), S::doubleToString(d));
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> uniform(-1e6, 1e6);
    for (int i = 0; i < 250000; ++i)
    {
        const double d = i % 3 == 0 ? fromBits(rng()) : i % 2 ? uniform(rng) : std::round(uniform(rng)) / 1000;
        ASSERT_EQ(printfG16(d), S::doubleToString(d)) << std::hexfloat << d;
    }
}

TEST(StringUtilTest, IntToStringWrites32BitValues)
{
    EXPECT_EQ("-2147483648", S::intToString(INT32_MIN));
    EXPECT_EQ("-2147483648", S::intToString(static_cast<long>(2147483648LL)));  // beyond 32 bits: wrapped
    EXPECT_EQ("5", S::intToString(static_cast<long>(4294967296LL + 5)));
    std::mt19937 rng(5);
    for (int i = 0; i < 20000; ++i)
    {
        const std::int32_t v = static_cast<std::int32_t>(rng()) >> (rng() % 32);
        ASSERT_EQ(std::to_string(v), S::intToString(v));
    }
}

TEST(StringUtilTest, PascalStrings)
{
    std::string p(256, 'x');
    p[0] = static_cast<char>(200);
    p[5] = '\0';
    EXPECT_EQ(p.substr(1, 200), S::pascalToCString(&p[0]));
    EXPECT_EQ('\xff' + std::string(255, 'y'), S::cppStringToPascalString(std::string(300, 'y')));
    EXPECT_EQ("\x04" "abcd", S::cppStringToPascalString("abcdefg", 4));
    EXPECT_EQ('\xff', S::cppStringToPascalString(std::string(300, 'y'), 1000)[0]);
}

TEST(StringUtilTest, CasePrefixSuffixAndContains)
{
    EXPECT_EQ("AZ09\xe4{@", S::getUpperCase("aZ09\xe4{@"));
    EXPECT_EQ("az09\xc4[`", S::getLowerCase("aZ09\xc4[`"));
    EXPECT_TRUE(S::equalsIgnoreCase("File2", "fILE2"));
    EXPECT_FALSE(S::equalsIgnoreCase("\xe4", "\xc4") || S::equalsIgnoreCase("[", "{"));
    EXPECT_FALSE(S::endsWith("ab", "abc"));
    EXPECT_TRUE(S::endsWith("abc", "") && S::endsWith("abc", "bc"));
    EXPECT_TRUE(S::endsWithIgnoreCase("FILE.TXT", ".txt"));
    EXPECT_FALSE(S::contains("", ""));
    EXPECT_TRUE(S::contains("a", "") && S::contains("abc", "bc"));
    EXPECT_TRUE(S::startsWith("", "") && S::startsWith("abc", "ab"));
    EXPECT_FALSE(S::startsWith("xab", "ab") || S::startsWith("a", "ab"));
}

TEST(StringUtilTest, TrimAndSplit)
{
    EXPECT_EQ("a b", S::trim(" \t\r\n\fa b\n\r \t"));
    EXPECT_EQ("\va\v", S::trim("\va\v"));
    EXPECT_EQ((std::list<std::string>{"a", ""}), S::trim(std::list<std::string>{" a ", "  "}));
    EXPECT_EQ((std::list<std::string>{"a", "b", "c"}), S::split(",a,,b;c", ",;"));
    EXPECT_EQ((std::list<std::string>{"a", "b"}), S::split("a,b,,;", ",;"));
    EXPECT_EQ("inputStringList.empty() == false @ util/src/StringUtil.cpp",
              failedCheckWhere([] { S::trim(std::list<std::string>()); }));
    EXPECT_EQ("strings.empty() == false", failedCheck([] { S::split(",,,", ","); }));  // as for ""
}

TEST(StringUtilTest, FormatBreaksAtFirstBlankPastLimit)
{
    EXPECT_EQ("aaa bbb\nccc", S::format("aaa bbb ccc", 5));
    EXPECT_EQ("abcdefghij\nk", S::format("abcdefghij k", 3));  // never inside a word
    EXPECT_EQ("a\tb\tc\td", S::format("a\tb\tc\td", 2));        // tabs are no break points
    EXPECT_EQ("ab\ncd ef\ngh", S::format("ab\ncd ef gh", 4));   // a line feed restarts the count
    EXPECT_EQ("lineLength > 0 @ util/src/StringUtil.cpp", failedCheckWhere([] { S::format("x", 0); }));

    std::vector<char> fits(13, '#');
    formatString("aaa bbb ccc", 5, fits.data(), 13);
    EXPECT_STREQ("aaa bbb\nccc", fits.data());
    EXPECT_EQ("static_cast<unsigned int>(sizeOfOutput - 1) > formattedString.size() @ util/src/StringUtil.cpp",
              failedCheckWhere([&] { formatString("aaa bbb ccc", 5, fits.data(), 12); }));
}

TEST(StringUtilTest, FormatStringInNopModeStaysInsideTheBuffer)
{
    qvxtest::NopMode nop;
    // Exactly sized heap blocks, so that AddressSanitizer sees any byte past them.
    for (int size : {1, 2, 5, 18, 19})
    {
        std::unique_ptr<char[]> buffer(new char[size]);
        formatString("one two three four", 8, buffer.get(), size);
        EXPECT_EQ(std::string("one two three\nfour").substr(0, size - 1), buffer.get());
    }
    for (int size : {0, -1, INT_MIN})  // these pass the unsigned check; nothing is written
    {
        std::unique_ptr<char[]> guard(new char[1]{'g'});
        formatString("one two", 8, guard.get() + 1, size);
        EXPECT_EQ('g', guard[0]);
    }
}

TEST(StringUtilTest, HexText)
{
    EXPECT_EQ("0xff", S::intToHexString(255, true));
    EXPECT_EQ("0", S::intToHexString(0, false));
    EXPECT_EQ("1", S::intToHexString(static_cast<unsigned long>(0x100000001ull), false));
    const std::pair<const char*, unsigned long> reads[] = {
        {"  0x1F", 31}, {"0XaB", 171}, {"12zz", 0x12}, {"zz", 0}, {"FFFFFFFF", 0xFFFFFFFFul},
        {"100000000", 0}, {"0x", 0}};
    for (const auto& [s, v] : reads)
        EXPECT_EQ(v, S::hexStringToInt(s)) << '"' << s << '"';
    EXPECT_EQ("0xff", S::trimHexString("0x00FF"));
    EXPECT_EQ("a", S::trimHexString("000A"));
    EXPECT_EQ("0x000000ff", S::padHexString("0xFF"));
    EXPECT_EQ("123456789", S::padHexString("123456789"));
    EXPECT_EQ("inputString.empty() == false", failedCheck([] { S::replaceCharWith("", 'a', 'b'); }));
    EXPECT_EQ("a/b", S::replaceCharWith("a\\b", '\\', '/'));
    EXPECT_EQ("stringToConvert.empty() == false", failedCheck([] { S::hexStringToInt(""); }));
    EXPECT_EQ("stringToConvert.empty() == false", failedCheck([] { S::trimHexString(""); }));
    EXPECT_EQ("stringToConvert != hexPrefix", failedCheck([] { S::trimHexString("0x"); }));
    EXPECT_EQ("stringToConvert.empty() == false", failedCheck([] { S::padHexString(""); }));
}

TEST(StringUtilTest, ExpandEnvironmentVariables)
{
    ::setenv("QVX_STR_A", "alpha", 1);
    ::setenv("QVX_STR_B", "%QVX_STR_A%", 1);
    ::unsetenv("QVX_STR_UNSET");
    EXPECT_EQ("ab", S::expandEnvironmentVariables("a%QVX_STR_UNSET%b"));
    EXPECT_EQ("50", S::expandEnvironmentVariables("50%"));
    EXPECT_EQ("", S::expandEnvironmentVariables("%PATH"));
    EXPECT_EQ("alphaQVX_STR_A", S::expandEnvironmentVariables("%QVX_STR_A%%%QVX_STR_A%"));
    EXPECT_EQ("%QVX_STR_A%", S::expandEnvironmentVariables("%QVX_STR_B%"));  // no second pass
}
