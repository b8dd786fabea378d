#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "HashUnit.h"
#include "IrpVersion.h"
#include "UnitTest.h"

namespace {

class ResetUnitTesting : public UnitTest
{
public:
    void run() override {}
};

// Sets UNIT_TESTING for one test (or removes it) and makes UnitTest read it
// afresh; the previous value comes back afterwards.
class UnitTestingEnvironment
{
public:
    explicit UnitTestingEnvironment(const char* value)
    {
        if (const char* old = std::getenv("UNIT_TESTING"))
        {
            _had = true;
            _old = old;
        }
        value ? setenv("UNIT_TESTING", value, 1) : unsetenv("UNIT_TESTING");
        ResetUnitTesting reset;
    }
    ~UnitTestingEnvironment()
    {
        _had ? setenv("UNIT_TESTING", _old.c_str(), 1) : unsetenv("UNIT_TESTING");
        ResetUnitTesting reset;
    }

private:
    bool _had = false;
    std::string _old;
};

bool isCode(const std::string& s)
{
    if (s.size() < 3 || s.size() > 8)
        return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')))
            return false;
    return true;
}

// The rule one byte at a time, as a reference for the library's grouped
// reduction: h = (h * 256 + upper-cased unsigned byte) mod m, in base 36.
std::string referenceCode(const std::string& name)
{
    std::string code;
    for (const long m : {99991L, 997L, 947L})
    {
        long h = 0;
        for (const char c : name)
        {
            const unsigned char u = static_cast<unsigned char>(c);
            h = (h * 256 + (u >= 'a' && u <= 'z' ? u - 32 : u)) % m;
        }
        std::string digits;
        do
        {
            digits.insert(digits.begin(), "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[h % 36]);
            h /= 36;
        } while (h != 0);
        code += digits;
    }
    return code;
}

}  // namespace

TEST(HashUnitTest, CodesOfKnownNames)
{
    UnitTestingEnvironment off(nullptr);
    const std::pair<std::string, std::string> cases[] = {
        {"", "000"},
        {"a", "1T1T1T"},  // each hash is 'A' itself, 65 = 1T
        {"abc", "1NJXIM47"},
        {"ABC", "1NJXIM47"},
        {"UNIT_0042", "23VGNL1I"},
        {"Board-7 Camera.cfg", "X0KZ5N"},  // parts are not padded
        {"k7300\\calib\\xray.dat", "22WAHA1S"},
        {std::string(40, 'z'), "1F95N9K0"},
        // Bytes above 127 count as 128 to 255 and keep their case.
        {"\xff", "737373"},
        {"\xe9t\xe9", "1ZR5HOBK"},
        {"\xc9t\xc9", "21S43ZN9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, HashUnit::getHashName(c.first)) << "name " << c.first;
}

TEST(HashUnitTest, EveryNameGetsAWellFormedCaseIndependentCodeByTheByteRule)
{
    UnitTestingEnvironment off(nullptr);
    std::mt19937 random(42);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 300);
    for (int i = 0; i < 2000; ++i)
    {
        std::string name(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : name)
            c = static_cast<char>(byte(random));
        const std::string code = HashUnit::getHashName(name);
        ASSERT_TRUE(isCode(code)) << code;
        ASSERT_EQ(referenceCode(name), code);

        std::string upper = name;
        for (char& c : upper)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        ASSERT_EQ(code, HashUnit::getHashName(upper));
    }
}

TEST(HashUnitTest, NamesComeBackUnchangedWhileUnitTesting)
{
    UnitTestingEnvironment on("True");
    EXPECT_EQ("", HashUnit::getHashName(""));
    EXPECT_EQ("a b\tC \xff", HashUnit::getHashName("a b\tC \xff"));
    EXPECT_EQ(3, IrpVersion::getVersion());
}
