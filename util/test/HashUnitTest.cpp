#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "HashUnit.h"
#include "IrpVersion.h"
#include "UnitTest.h"

namespace {

// Sets UNIT_TESTING (or removes it) and makes UnitTest read it afresh.
void unitTestingEnvironment(const char* value)
{
    struct Reset : UnitTest
    {
        void run() override {}
    };
    value ? setenv("UNIT_TESTING", value, 1) : unsetenv("UNIT_TESTING");
    Reset reset;
}

// The rule byte by byte, a reference for the library's grouped reduction.
std::string referenceCode(const std::string& name)
{
    std::string code;
    for (const long m : {99991L, 997L, 947L})
    {
        long h = 0;
        for (const unsigned char u : name)
            h = (h * 256 + (u >= 'a' && u <= 'z' ? u - 32 : u)) % m;
        std::string digits;
        do
            digits.insert(digits.begin(), "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[h % 36]);
        while ((h /= 36) != 0);
        code += digits;
    }
    return code;
}

}  // namespace

TEST(HashUnitTest, CodesFollowTheByteRuleUnlessUnitTesting)
{
    unitTestingEnvironment(nullptr);
    EXPECT_EQ("000", HashUnit::getHashName(""));
    EXPECT_EQ("1T1T1T", HashUnit::getHashName("a"));  // each hash is 'A' itself, 65 = 1T
    EXPECT_EQ("1NJXIM47", HashUnit::getHashName("abc"));
    EXPECT_EQ("737373", HashUnit::getHashName("\xff"));  // 255, not a negative value
    std::mt19937 random(42);  // names of any bytes and length, against the reference
    std::uniform_int_distribution<int> byte(0, 255), length(0, 300);
    for (int i = 0; i < 2000; ++i)
    {
        std::string name(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : name)
            c = static_cast<char>(byte(random));
        ASSERT_EQ(referenceCode(name), HashUnit::getHashName(name));
    }

    unitTestingEnvironment("True");  // names come back unchanged
    EXPECT_EQ("", HashUnit::getHashName(""));
    EXPECT_EQ("a b\tC \xff", HashUnit::getHashName("a b\tC \xff"));
    unitTestingEnvironment(nullptr);
    EXPECT_EQ(3, IrpVersion::getVersion());
}
