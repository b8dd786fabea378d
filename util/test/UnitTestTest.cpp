// Unit-test detection and the test-data directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <vector>
#include <string>

#include "UnitTest.h"

namespace {
struct Case : UnitTest
{
    void run() override {}
};

void setUnitTesting(const char* value)
{
    value == nullptr ? unsetenv("UNIT_TESTING") : setenv("UNIT_TESTING", value, 1);
}
}  // namespace

TEST(UnitTestTest, OnlyTrueInAnyLetterCaseCounts)
{
    const char* const yes[] = {"true", "TRUE", "True", "tRuE"};
    const char* const no[] = {"1", "yes", "", "true ", " true", "truth", "false", nullptr};
    for (bool expected : {true, false})
        for (const char* value : expected ? std::vector<const char*>(std::begin(yes), std::end(yes))
                                          : std::vector<const char*>(std::begin(no), std::end(no)))
        {
            Case reset;
            setUnitTesting(value);
            EXPECT_EQ(expected, UnitTest::unitTesting()) << (value ? value : "(unset)");
            EXPECT_EQ(expected ? 1 : 0, unitTesting());
        }
}

TEST(UnitTestTest, TrueStaysUntilAUnitTestIsConstructedFalseIsReadAgain)
{
    { Case reset; }
    setUnitTesting(nullptr);
    EXPECT_FALSE(UnitTest::unitTesting());
    setUnitTesting("TRUE");  // the false answer was not remembered
    EXPECT_TRUE(UnitTest::unitTesting());
    setUnitTesting("false");
    EXPECT_TRUE(UnitTest::unitTesting());
    setUnitTesting(nullptr);
    EXPECT_EQ(1, unitTesting());
    Case reset;
    EXPECT_FALSE(UnitTest::unitTesting());
}

TEST(UnitTestTest, TestDataDirIsReadAtConstructionAndItsAbsenceReportedPerCall)
{
    unsetenv("CPP_REGRESSION_TEST_DATA_DIR");
    Case without;
    setenv("CPP_REGRESSION_TEST_DATA_DIR", "/data/regression", 1);
    Case with;
    unsetenv("CPP_REGRESSION_TEST_DATA_DIR");
    testing::internal::CaptureStdout();
    EXPECT_EQ("", without.getTestDataDir());
    EXPECT_EQ("", without.getTestDataDir());
    EXPECT_EQ("/data/regression", with.getTestDataDir());
    const std::string notice = "Environmental variable CPP_REGRESSION_TEST_DATA_DIR not defined\n";
    EXPECT_EQ(notice + notice, testing::internal::GetCapturedStdout());
}
