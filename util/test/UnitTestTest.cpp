// Unit-test detection and the test-data directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "UnitTest.h"

namespace {

struct Case : UnitTest
{
    void run() override {}
};

void setUnitTesting(const char* value)
{
    if (value == nullptr)
        unsetenv("UNIT_TESTING");
    else
        setenv("UNIT_TESTING", value, 1);
}

}  // namespace

TEST(UnitTestTest, OnlyTrueInAnyLetterCaseCounts)
{
    const struct
    {
        const char* value;
        bool testing;
    } rows[] = {
        {"true", true}, {"TRUE", true},  {"True", true},   {"tRuE", true},
        {"1", false},   {"yes", false},  {"", false},      {"true ", false},
        {" true", false}, {"truth", false}, {"false", false}, {nullptr, false},
    };
    for (const auto& r : rows)
    {
        SCOPED_TRACE(r.value == nullptr ? "(unset)" : r.value);
        Case reset;
        setUnitTesting(r.value);
        EXPECT_EQ(r.testing, UnitTest::unitTesting());
        EXPECT_EQ(r.testing ? 1 : 0, unitTesting());
    }
}

TEST(UnitTestTest, TrueStaysUntilAUnitTestIsConstructedFalseIsReadAgain)
{
    { Case reset; }
    setUnitTesting(nullptr);
    EXPECT_FALSE(UnitTest::unitTesting());
    setUnitTesting("TRUE");  // a false answer was not remembered
    EXPECT_TRUE(UnitTest::unitTesting());
    setUnitTesting(nullptr);
    EXPECT_TRUE(UnitTest::unitTesting());
    setUnitTesting("false");
    EXPECT_EQ(1, unitTesting());
    {
        Case reset;
        EXPECT_FALSE(UnitTest::unitTesting());
    }
    setUnitTesting(nullptr);
}

TEST(UnitTestTest, TestDataDirIsReadAtConstructionAndItsAbsenceReported)
{
    const std::string notice = "Environmental variable CPP_REGRESSION_TEST_DATA_DIR not defined\n";
    unsetenv("CPP_REGRESSION_TEST_DATA_DIR");
    Case without;
    setenv("CPP_REGRESSION_TEST_DATA_DIR", "/data/regression", 1);
    Case with;
    unsetenv("CPP_REGRESSION_TEST_DATA_DIR");

    testing::internal::CaptureStdout();
    EXPECT_EQ("", without.getTestDataDir());
    EXPECT_EQ("", without.getTestDataDir());
    EXPECT_EQ("/data/regression", with.getTestDataDir());
    EXPECT_EQ(notice + notice, testing::internal::GetCapturedStdout());
}
