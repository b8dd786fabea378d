#include <gtest/gtest.h>

#include <sstream>

#include "AssertException.h"
#include "FailedCheck.h"
#include "kbrAssert.h"

using qvxtest::failedCheck;

TEST(AssertTest, ExceptionModeThrowsWithBothMessageForms)
{
    qvxtest::ExceptionMode mode;
    try
    {
        showKbrAssert("a > b", "util/src/X.cpp", 12);
        FAIL() << "no throw";
    }
    catch (const AssertException& e)
    {
        EXPECT_EQ("ASSERT_EXCEPTION_KEY", e.getKey());
        EXPECT_EQ("Internal error - An assert condition 'a > b' failed at line number 12 in file "
                  "'util/src/X.cpp'.",
                  e.getMessage());
        ASSERT_EQ(3u, e.getParameterCount());
        EXPECT_EQ("util/src/X.cpp", e.getParameter(1));
        EXPECT_EQ("12", e.getParameter(2));
    }
    try
    {
        showKbrAssertWithMessage("p", "why", "f.cpp", 7);
        FAIL() << "no throw";
    }
    catch (const AssertException& e)
    {
        EXPECT_EQ("Internal error - An assert condition 'p' (why) failed at line number 7 in file "
                  "'f.cpp'.",
                  e.getMessage());
    }
}

TEST(AssertTest, NopModeWinsOverExceptionMode)
{
    qvxtest::ExceptionMode exceptions;
    qvxtest::NopMode nop;
    EXPECT_NO_THROW(showKbrAssert("x", "f.cpp", 1));
}

TEST(AssertTest, EmptyConditionIsReportedByAssertExceptionItself)
{
    EXPECT_EQ("! condition.empty()",
              failedCheck([] { showKbrAssert("", "f.cpp", 1); }));
    EXPECT_EQ("condition.empty() == false",
              failedCheck([] { showKbrAssertWithMessage("", "m", "f.cpp", 1); }));
    EXPECT_EQ("! fileName.empty()", failedCheck([] { showKbrAssert("c", "", 1); }));
}

TEST(AssertDeathTest, DefaultModeReportsOnStdoutAndExitsWithOne)
{
    setenv("UNIT_TESTING", "true", 1);
    EXPECT_EXIT(
        {
            std::cout.flush();
            showKbrAssert("! s.empty()", "util/src/StringUtil.cpp", 42);
        },
        testing::ExitedWithCode(1), "");
}
