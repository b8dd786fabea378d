#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <locale>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "FailedCheck.h"
#include "StringUtil.h"

using qvxtest::failedCheck;
using qvxtest::failedCheckWhere;

namespace {

// The readings the conversions are defined by: a classic-locale string stream
// without whitespace skipping that must be consumed to its end, into 32-bit
// values where the interface says long.
long streamInt(const std::string& s)
{
    std::istringstream in(s);
    in.imbue(std::locale::classic());
    std::int32_t v = 0;
    in >> std::noskipws >> v;
    if (in.fail() || in.peek() != EOF)
        return 0;
    return v;
}

double streamDouble(const std::string& s)
{
    std::istringstream in(s);
    in.imbue(std::locale::classic());
    double v = 0;
    in >> std::noskipws >> v;
    if (in.fail() || in.peek() != EOF)
        return 0.0;
    return v;
}

std::string printfG16(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.16g", v);
    return buf;
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

template <class Rng>
std::string randomText(Rng& rng, const std::string& alphabet, std::size_t maxLength)
{
    std::string s(rng() % (maxLength + 1), ' ');
    for (char& c : s)
        c = alphabet[rng() % alphabet.size()];
    return s;
}

}  // namespace

TEST(StringUtilTest, IntegerAndNumericTests)
{
    struct Case { const char* s; bool integer; bool numeric; };
    const Case cases[] = {
        {"", false, false},     {"-", true, true},       {"0", true, true},
        {"-12", true, true},    {"+12", false, false},   {" 1", false, false},
        {"1 ", false, false},   {"1.5", false, true},    {"1.2.3", false, false},
        {".", false, true},     {"-.", false, true},     {"-.5", false, true},
        {"1e5", false, false},  {"1-2", false, false},   {"--1", false, false},
        {"5.", false, true},    {"12a", false, false},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.integer, StringUtil::isInteger(c.s)) << '"' << c.s << '"';
        EXPECT_EQ(c.numeric, StringUtil::isNumeric(c.s)) << '"' << c.s << '"';
    }
}

TEST(StringUtilTest, StringToIntFallsBackToZeroAndKeeps32BitRange)
{
    struct Case { const char* s; long v; };
    const Case cases[] = {
        {"42", 42},           {" 42", 0},           {"42 ", 0},          {"-17", -17},
        {"+17", 17},          {"12abc", 0},         {"", 0},             {"+", 0},
        {"-", 0},             {"+-1", 0},           {"--1", 0},          {"0x10", 0},
        {"2147483647", 2147483647L},                {"2147483648", 0},
        {"-2147483648", -2147483647L - 1},          {"-2147483649", 0},
        {"0000000000000000000000042", 42},          {"99999999999999999999", 0},
        {"1.0", 0},           {"1e3", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.v, StringUtil::stringToInt(c.s)) << '"' << c.s << '"';
}

TEST(StringUtilTest, StringToIntMatchesStreamReading)
{
    std::mt19937 rng(7);
    for (int i = 0; i < 100000; ++i)
    {
        std::string s = randomText(rng, "0123456789+- x", 6);
        if (i % 3 == 0)  // numbers near and past the 32-bit limits
            s = std::to_string(static_cast<long long>(rng()) * (rng() % 2 ? 1 : -1) *
                               static_cast<long long>(rng() % 4));
        ASSERT_EQ(streamInt(s), StringUtil::stringToInt(s)) << '"' << s << '"';
    }
}

TEST(StringUtilTest, StringToDoubleMatchesStreamReading)
{
    const char* edges[] = {
        "",      "1",       "-1.5",   "+2.5",   "+-2",    ".",       "-.",     ".5",
        "5.",    "1e5",     "1E-5",   "1e",     "1e+",    "1e+5x",   " 1",     "1 ",
        "inf",   "-inf",    "nan",    "NAN",    "0x1p3",  "1e400",   "-1e400", "1e-400",
        "-1e-400", "4e-324", "2e-324", "1.7976931348623157e308", "1.7976931348623159e308",
        "2.2250738585072011e-308", "0.1", "-0", "00001.5000", "1.2.3", "1e5e5", "++1",
        "0.30000000000000004441", "123456789012345678901234567890",
    };
    for (const char* s : edges)
        EXPECT_TRUE(sameBits(streamDouble(s), StringUtil::stringToDouble(s)))
            << '"' << s << "\" " << streamDouble(s) << " vs " << StringUtil::stringToDouble(s);

    std::mt19937_64 rng(11);
    for (int i = 0; i < 60000; ++i)
    {
        std::string s;
        switch (i % 3)
        {
        case 0:
            s = randomText(rng, "0123456789+-.eE ", 8);
            break;
        case 1:
        {
            double d;
            const std::uint64_t bits = rng();
            std::memcpy(&d, &bits, sizeof d);
            char buf[64];
            std::snprintf(buf, sizeof buf, (i % 2) ? "%.17g" : "%.25e", d);
            s = buf;
            break;
        }
        default:
            s = std::to_string(rng() % 100000) + "." + std::to_string(rng() % 1000) + "e" +
                std::to_string(static_cast<int>(rng() % 700) - 350);
        }
        ASSERT_TRUE(sameBits(streamDouble(s), StringUtil::stringToDouble(s))) << '"' << s << '"';
    }
}

TEST(StringUtilTest, DoubleToStringWritesSixteenDigitsLikePrintf)
{
    EXPECT_EQ("0.1", StringUtil::doubleToString(0.1));
    EXPECT_EQ("0.3333333333333333", StringUtil::doubleToString(1.0 / 3.0));
    EXPECT_EQ("100", StringUtil::doubleToString(100.0));
    EXPECT_EQ("1e+16", StringUtil::doubleToString(1e16));
    EXPECT_EQ("1234567890123456", StringUtil::doubleToString(1234567890123456.0));
    EXPECT_EQ("-0", StringUtil::doubleToString(-0.0));
    EXPECT_EQ("0.0001", StringUtil::doubleToString(0.0001));
    EXPECT_EQ("1e-05", StringUtil::doubleToString(0.00001));

    // A stream with precision 16 writes what printf("%.16g") writes.
    const double specials[] = {0.0, -0.0, INFINITY, -INFINITY, NAN, -NAN, 5e-324, 1.7976931348623157e308};
    for (double d : specials)
    {
        std::ostringstream os;
        os << std::setprecision(16) << d;
        EXPECT_EQ(printfG16(d), StringUtil::doubleToString(d));
        EXPECT_EQ(os.str(), StringUtil::doubleToString(d));
    }
}

TEST(StringUtilTest, DoubleToStringAgreesWithPrintfOnRandomSample)
{
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> uniform(-1e6, 1e6);
    for (int i = 0; i < 400000; ++i)
    {
        double d;
        if (i % 2)
        {
            const std::uint64_t bits = rng();
            std::memcpy(&d, &bits, sizeof d);
        }
        else
        {
            d = (i % 4 == 0) ? uniform(rng) : std::round(uniform(rng) * 1000) / 1000;
        }
        ASSERT_EQ(printfG16(d), StringUtil::doubleToString(d)) << std::hexfloat << d;
    }
}

TEST(StringUtilTest, IntToStringWrites32BitValues)
{
    EXPECT_EQ("0", StringUtil::intToString(0));
    EXPECT_EQ("-42", StringUtil::intToString(-42));
    EXPECT_EQ("2147483647", StringUtil::intToString(2147483647L));
    EXPECT_EQ("-2147483648", StringUtil::intToString(-2147483647L - 1));
    // Beyond 32 bits the value wraps as a 32-bit long would have held it.
    EXPECT_EQ("-2147483648", StringUtil::intToString(2147483648L));
    EXPECT_EQ("5", StringUtil::intToString(static_cast<long>(4294967296LL + 5)));
    EXPECT_EQ("-1", StringUtil::intToString(static_cast<long>(-4294967297LL)));

    std::mt19937 rng(5);
    for (int i = 0; i < 20000; ++i)
    {
        const std::int32_t v = static_cast<std::int32_t>(rng());
        char buf[16];
        std::snprintf(buf, sizeof buf, "%d", v);
        ASSERT_EQ(buf, StringUtil::intToString(v));
        ASSERT_EQ(v, StringUtil::stringToInt(buf));
    }
}

TEST(StringUtilTest, PascalStrings)
{
    std::vector<char> p(256, 'x');
    p[0] = static_cast<char>(200);
    p[5] = '\0';
    const std::string s = StringUtil::pascalToCString(p.data());
    ASSERT_EQ(200u, s.size());
    EXPECT_EQ('\0', s[4]);

    const std::string longPascal = StringUtil::cppStringToPascalString(std::string(300, 'y'));
    ASSERT_EQ(256u, longPascal.size());
    EXPECT_EQ(255, static_cast<unsigned char>(longPascal[0]));
    EXPECT_EQ(std::string("\x04" "abcd"), StringUtil::cppStringToPascalString("abcdefg", 4));
    EXPECT_EQ(std::string("\x03" "abc"), StringUtil::cppStringToPascalString("abc", 10));
    EXPECT_EQ(255, static_cast<unsigned char>(
                       StringUtil::cppStringToPascalString(std::string(300, 'y'), 1000)[0]));
    EXPECT_EQ(std::string(1, '\0'), StringUtil::cppStringToPascalString(""));
}

TEST(StringUtilTest, PrefixSuffixAndContains)
{
    EXPECT_FALSE(StringUtil::endsWith("ab", "abc"));
    EXPECT_TRUE(StringUtil::endsWith("abc", ""));
    EXPECT_TRUE(StringUtil::endsWith("abc", "bc"));
    EXPECT_FALSE(StringUtil::endsWith("abc", "Bc"));
    EXPECT_TRUE(StringUtil::endsWithIgnoreCase("FILE.TXT", ".txt"));
    EXPECT_FALSE(StringUtil::endsWithIgnoreCase("txt", "a.txt"));
    EXPECT_FALSE(StringUtil::contains("", ""));
    EXPECT_TRUE(StringUtil::contains("a", ""));
    EXPECT_TRUE(StringUtil::contains("abc", "bc"));
    EXPECT_FALSE(StringUtil::contains("abc", "cd"));
    EXPECT_TRUE(StringUtil::startsWith("", ""));
    EXPECT_TRUE(StringUtil::startsWith("abc", "ab"));
    EXPECT_FALSE(StringUtil::startsWith("xab", "ab"));
    EXPECT_FALSE(StringUtil::startsWith("a", "ab"));
}

TEST(StringUtilTest, CaseChangesOnlyAsciiLetters)
{
    const std::string mixed = "aZ09\xe4\xc4-_{}@[`";
    EXPECT_EQ("AZ09\xe4\xc4-_{}@[`", StringUtil::getUpperCase(mixed));
    EXPECT_EQ("az09\xe4\xc4-_{}@[`", StringUtil::getLowerCase(mixed));
    EXPECT_TRUE(StringUtil::equalsIgnoreCase("File2", "fILE2"));
    EXPECT_FALSE(StringUtil::equalsIgnoreCase("\xe4", "\xc4"));
    EXPECT_FALSE(StringUtil::equalsIgnoreCase("ab", "abc"));
    EXPECT_FALSE(StringUtil::equalsIgnoreCase("[", "{"));
}

TEST(StringUtilTest, TrimAndSplit)
{
    EXPECT_EQ("a b", StringUtil::trim(" \t\r\n\fa b\n\r \t"));
    EXPECT_EQ("", StringUtil::trim(" \t\n"));
    EXPECT_EQ("\va\v", StringUtil::trim("\va\v"));  // vertical tab is not trimmed
    const std::list<std::string> trimmed = StringUtil::trim(std::list<std::string>{" a ", "  ", "b"});
    EXPECT_EQ((std::list<std::string>{"a", "", "b"}), trimmed);

    EXPECT_EQ((std::list<std::string>{"a", "b", "c"}), StringUtil::split(",a,,b;c", ",;"));
    EXPECT_EQ((std::list<std::string>{"a", "b"}), StringUtil::split("a,b,", ","));
    EXPECT_EQ((std::list<std::string>{"a", "b"}), StringUtil::split("a,b,,;,", ",;"));
    EXPECT_EQ((std::list<std::string>{"a b"}), StringUtil::split("a b", ""));

    EXPECT_EQ("inputStringList.empty() == false @ util/src/StringUtil.cpp",
              failedCheckWhere([] { StringUtil::trim(std::list<std::string>()); }));
    EXPECT_EQ("strings.empty() == false", failedCheck([] { StringUtil::split("", ","); }));
    EXPECT_EQ("strings.empty() == false", failedCheck([] { StringUtil::split(",,,", ","); }));
}

TEST(StringUtilTest, FormatBreaksAtFirstBlankPastLimit)
{
    EXPECT_EQ("aaa bbb\nccc", StringUtil::format("aaa bbb ccc", 5));
    EXPECT_EQ("short", StringUtil::format("short", 5));
    EXPECT_EQ("abcdefghij\nk", StringUtil::format("abcdefghij k", 3));  // never inside a word
    EXPECT_EQ("a\tb\tc\td", StringUtil::format("a\tb\tc\td", 2));        // tabs are no break points
    // A line feed in the text starts a new count.
    EXPECT_EQ("ab\ncd ef\ngh", StringUtil::format("ab\ncd ef gh", 4));
    EXPECT_EQ("lineLength > 0 @ util/src/StringUtil.cpp",
              failedCheckWhere([] { StringUtil::format("x", 0); }));
}

TEST(StringUtilTest, FormatStringNeedsRoomForTextZeroAndOneMore)
{
    const std::string text = "aaa bbb ccc";  // wraps to 11 bytes
    std::vector<char> fits(text.size() + 2, '#');
    formatString(text.c_str(), 5, fits.data(), static_cast<int>(fits.size()));
    EXPECT_STREQ("aaa bbb\nccc", fits.data());

    const char* const condition =
        "static_cast<unsigned int>(sizeOfOutput - 1) > formattedString.size()";
    EXPECT_EQ(std::string(condition) + " @ util/src/StringUtil.cpp", failedCheckWhere([&] {
                  std::vector<char> exact(text.size() + 1);
                  formatString(text.c_str(), 5, exact.data(), static_cast<int>(exact.size()));
              }));
}

TEST(StringUtilTest, FormatStringInNopModeStaysInsideTheBuffer)
{
    qvxtest::NopMode nop;
    const std::string text = "one two three four";
    // Exactly sized heap blocks, so that AddressSanitizer sees any byte past them.
    for (int size : {1, 2, 5, 18, 19})
    {
        std::unique_ptr<char[]> buffer(new char[size]);
        formatString(text.c_str(), 8, buffer.get(), size);
        EXPECT_EQ(std::string("one two three\nfour").substr(0, size - 1), buffer.get());
    }
    // Zero and negative sizes pass the unsigned check and must write nothing.
    for (int size : {0, -1, INT_MIN})
    {
        std::unique_ptr<char[]> guard(new char[1]);
        guard[0] = 'g';
        formatString(text.c_str(), 8, guard.get() + 1, size);
        EXPECT_EQ('g', guard[0]);
    }
    formatString(nullptr, 8, nullptr, 0);
}

TEST(StringUtilTest, ReplaceChar)
{
    EXPECT_EQ("a/b/c", StringUtil::replaceCharWith("a\\b\\c", '\\', '/'));
    EXPECT_EQ(std::string("a\0b", 3), StringUtil::replaceCharWith(std::string("a b", 3), ' ', '\0'));
    EXPECT_EQ("inputString.empty() == false",
              failedCheck([] { StringUtil::replaceCharWith("", 'a', 'b'); }));
}

TEST(StringUtilTest, HexText)
{
    EXPECT_EQ("0xff", StringUtil::intToHexString(255, true));
    EXPECT_EQ("0", StringUtil::intToHexString(0, false));
    EXPECT_EQ("ffffffff", StringUtil::intToHexString(0xFFFFFFFFul, false));
    EXPECT_EQ("0x1", StringUtil::intToHexString(static_cast<unsigned long>(0x100000001ull), true));

    struct Case { const char* s; unsigned long v; };
    const Case reads[] = {
        {"ff", 255},        {"  0x1F", 31},     {"0XaB", 171},      {"12zz", 0x12},
        {"zz", 0},          {"FFFFFFFF", 0xFFFFFFFFul},             {"100000000", 0},
        {"0x", 0},          {"000000000000000000001", 1},
    };
    for (const Case& c : reads)
        EXPECT_EQ(c.v, StringUtil::hexStringToInt(c.s)) << '"' << c.s << '"';

    EXPECT_EQ("0xff", StringUtil::trimHexString("0x00FF"));
    EXPECT_EQ("a", StringUtil::trimHexString("000A"));
    EXPECT_EQ("0x0", StringUtil::trimHexString("0X0"));
    EXPECT_EQ("0x000000ff", StringUtil::padHexString("0xFF"));
    EXPECT_EQ("123456789", StringUtil::padHexString("123456789"));
    EXPECT_EQ("0000000z", StringUtil::padHexString("Z"));  // digits are not validated

    EXPECT_EQ("stringToConvert.empty() == false", failedCheck([] { StringUtil::hexStringToInt(""); }));
    EXPECT_EQ("stringToConvert.empty() == false", failedCheck([] { StringUtil::trimHexString(""); }));
    EXPECT_EQ("stringToConvert != hexPrefix", failedCheck([] { StringUtil::trimHexString("0x"); }));
    EXPECT_EQ("stringToConvert.empty() == false", failedCheck([] { StringUtil::padHexString(""); }));
}

TEST(StringUtilTest, ExpandEnvironmentVariables)
{
    ::setenv("QVX_STR_A", "alpha", 1);
    ::unsetenv("QVX_STR_UNSET");
    EXPECT_EQ("ab", StringUtil::expandEnvironmentVariables("a%QVX_STR_UNSET%b"));
    EXPECT_EQ("50", StringUtil::expandEnvironmentVariables("50%"));
    EXPECT_EQ("", StringUtil::expandEnvironmentVariables("%PATH"));
    EXPECT_EQ("x alpha y", StringUtil::expandEnvironmentVariables("x %QVX_STR_A% y"));
    EXPECT_EQ("alphaQVX_STR_A", StringUtil::expandEnvironmentVariables("%QVX_STR_A%%%QVX_STR_A%"));
    ::setenv("QVX_STR_B", "%QVX_STR_A%", 1);  // values are not scanned again
    EXPECT_EQ("%QVX_STR_A%", StringUtil::expandEnvironmentVariables("%QVX_STR_B%"));
}
