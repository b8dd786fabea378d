// The failed-check routine: modes and their precedence, AssertException's own
// checks, the bridge's local failures, the default path (death tests), and
// unit-test detection.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "AssertException.h"
#include "FailedCheck.h"
#include "MessageBox.h"
#include "UnitTest.h"
#include "kbrAssert.h"

using qvxtest::failedCheckWhere;

namespace {

const std::string KBR = "util/src/kbrAssert.cpp", AE = "util/src/AssertException.cpp";

// A machine handle that the routine stores but never calls; these tests call
// no bridge function while it is stored.
alignas(void*) unsigned char standInMachine[64];

// "thrown: KEY|message|p1|p2|p3", or "returned".
std::string outcome(const std::function<void()>& call)
{
    try
    {
        call();
    }
    catch (const XrayTesterException& e)  // AssertException is caught as its base
    {
        std::string s = "thrown: " + e.getKey() + "|" + e.getMessage();
        for (const std::string& p : e.getParameters())
            s += "|" + p;
        return s;
    }
    return "returned";
}

}  // namespace

TEST(AssertTest, ModesAndPrecedenceJniOverNopOverException)
{
    const std::string plain = "thrown: ASSERT_EXCEPTION_KEY|Internal error - An assert condition '! "
                              "s.empty()' failed at line number 42 in file 'util/src/StringUtil.cpp'"
                              ".|! s.empty()|util/src/StringUtil.cpp|42";
    const std::string withMessage = "thrown: ASSERT_EXCEPTION_KEY|Internal error - An assert "
                                    "condition 'a < b' (too (big)) failed at line number 4294967295 "
                                    "in file 'X.cpp'.|a < b|X.cpp|4294967295";
    const struct
    {
        bool jni, nop, exception, throws;
    } rows[] = {{0, 0, 1, 1}, {0, 1, 0, 0}, {0, 1, 1, 0}, {1, 0, 0, 1},
                {1, 1, 0, 1}, {1, 0, 1, 1}, {1, 1, 1, 1}};
    for (const auto& r : rows)
    {
        SCOPED_TRACE(testing::Message() << "jni/nop/exception " << r.jni << r.nop << r.exception);
        enableAssertNopMode();
        setupJniAssertMode(r.jni ? reinterpret_cast<JavaVM*>(standInMachine) : nullptr);
        r.nop ? enableAssertNopMode() : disableAssertNopMode();
        r.exception ? enableAssertExceptionMode() : disableAssertExceptionMode();
        EXPECT_EQ(r.jni, isJniModeEnabled());
        EXPECT_EQ(r.nop, isAssertNopModeEnabled());
        EXPECT_EQ(r.exception, isAssertExceptionModeEnabled());
        EXPECT_EQ(r.throws ? plain : "returned",
                  outcome([] { showKbrAssert("! s.empty()", "util/src/StringUtil.cpp", 42); }));
        EXPECT_EQ(r.throws ? withMessage : "returned",
                  outcome([] { showKbrAssertWithMessage("a < b", "too (big)", "X.cpp", 4294967295u); }));
        // An empty message takes the form without parentheses.
        EXPECT_EQ(r.throws ? "thrown: ASSERT_EXCEPTION_KEY|Internal error - An assert condition 'c' "
                             "failed at line number 0 in file 'f'.|c|f|0"
                           : "returned",
                  outcome([] { showKbrAssertWithMessage("c", "", "f", 0); }));
    }
    enableAssertNopMode();
    setupJniAssertMode(nullptr);  // the way out of JNI mode; forgets the stand-in
    disableAssertNopMode();
    disableAssertExceptionMode();
    EXPECT_FALSE(isJniModeEnabled());
}

TEST(AssertTest, AssertExceptionChecksItsOwnInputsFirst)
{
    const struct
    {
        std::function<void()> call;
        std::string expected;
    } rows[] = {
        {[] { showKbrAssert("", "", 1); }, "! condition.empty() @ " + AE},
        {[] { showKbrAssert("c", "", 1); }, "! fileName.empty() @ " + AE},
        {[] { showKbrAssertWithMessage("", "m", "", 1); }, "condition.empty() == false @ " + AE},
        {[] { showKbrAssertWithMessage("c", "m", "", 1); }, "fileName.empty() == false @ " + AE},
        {[] { AssertException("c", "", "f.cpp", 1); }, ""},  // an empty message is allowed
    };
    for (const auto& r : rows)
        EXPECT_EQ(r.expected, failedCheckWhere(r.call));
    EXPECT_EQ("Internal error - An assert condition 'c' () failed at line number 3 in file 'f'.",
              AssertException("c", "", "f", 3).getMessage());
    qvxtest::NopMode nop;  // the checks return; the list still has three entries
    EXPECT_EQ(3u, AssertException("", "", 5).getParameterCount());
}

TEST(AssertTest, BridgeFailuresTakeTheLocalPath)
{
    EXPECT_EQ("pVirtualMachine != NULL @ " + KBR, failedCheckWhere([] { setupJniAssertMode(nullptr); }));
    EXPECT_EQ("origIsJniModeEnabledValue @ " + KBR,
              failedCheckWhere([] { raiseJavaAssertForUnhandledException("f.cpp", 1); }));
    EXPECT_EQ("origIsJniModeEnabledValue @ " + KBR, failedCheckWhere([] { isJavaUnitTesting(); }));
    EXPECT_NE(std::string::npos, outcome([] {
                                     qvxtest::ExceptionMode mode;
                                     raiseJavaAssertWithMessage("m");
                                 }).find("'origIsJniModeEnabledValue' (JNI Mode is not enabled!)"));
    // Nop mode: every check returns and nothing touches the missing machine
    // (AddressSanitizer would see it); nothing is cached.
    qvxtest::NopMode nop;
    setupJniAssertMode(nullptr);
    raiseJavaAssertWithMessage("m");
    EXPECT_FALSE(isJavaUnitTesting());
    EXPECT_FALSE(isJniModeEnabled());
}

namespace {

struct ResetUnitTesting : UnitTest  // constructing one forgets an earlier true answer
{
    void run() override {}
};

void setUnitTesting(const char* value)
{
    value == nullptr ? unsetenv("UNIT_TESTING") : setenv("UNIT_TESTING", value, 1);
}

// In a death test's child: standard output joins standard error, the box
// prints a marker, and an exit handler shows that exit() ran the handlers.
void prepareChild(bool unitTesting)
{
    std::fflush(stdout);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    qvx::platform::setMessageBoxPresenter([](const char* text, const char* caption, unsigned int style) {
        std::fprintf(stderr, "BOX %#x [%s] %s\n", style, caption, text);
        return 1;
    });
    std::atexit([] { std::fputs("exit handlers ran\n", stderr); });
    setUnitTesting(unitTesting ? "True" : nullptr);
    ResetUnitTesting reset;
}

// The child's whole output ends with these lines and the exit handler's.
testing::Matcher<const std::string&> endsWithLines(const std::string& lines)
{
    const std::string tail = lines + "\nexit handlers ran\n";
    return testing::AnyOf(testing::Eq(tail), testing::EndsWith("\n" + tail));
}

}  // namespace

TEST(AssertDeathTest, DefaultModeReportsAndExitsWithOne)
{
    // While unit testing: the report line only, no box.
    EXPECT_EXIT((prepareChild(true), showKbrAssert("! s.empty()", "util/src/StringUtil.cpp", 42)),
                testing::ExitedWithCode(1),
                endsWithLines("ERROR: Assertion \"! s.empty()\" failed in file util/src/StringUtil.cpp on line 42"));
    const std::string line = "ERROR: Assertion \"a < b\" (too (big)) failed in file f.cpp on line 7";
    EXPECT_EXIT((prepareChild(false), showKbrAssertWithMessage("a < b", "too (big)", "f.cpp", 7)),
                testing::ExitedWithCode(1),
                endsWithLines(line + "\nBOX 0x10000 [Fatal Error - contact k7300 support] " + line));
    EXPECT_EXIT((prepareChild(true), setupJniAssertMode(nullptr)), testing::ExitedWithCode(1),
                testing::ContainsRegex("(^|\n)ERROR: Assertion \"pVirtualMachine != NULL\" \\(Virtual machine "
                                       "instance is NULL!\\) failed in file util/src/kbrAssert\\.cpp on line "
                                       "[0-9]+\nexit handlers ran\n$"));
}

TEST(UnitTestTest, OnlyTrueInAnyLetterCaseCountsAndOnlyTrueIsRemembered)
{
    const std::pair<const char*, bool> values[] = {
        {"true", true}, {"TRUE", true}, {"tRuE", true}, {"1", false}, {"yes", false}, {"", false},
        {"true ", false}, {" true", false}, {"truth", false}, {"false", false}, {nullptr, false}};
    for (const auto& [value, expected] : values)
    {
        ResetUnitTesting reset;
        setUnitTesting(value);
        EXPECT_EQ(expected, UnitTest::unitTesting()) << (value ? value : "(unset)");
        EXPECT_EQ(expected ? 1 : 0, unitTesting());
    }
    setUnitTesting("True");  // the false answer was not remembered
    EXPECT_TRUE(UnitTest::unitTesting());
    setUnitTesting(nullptr);  // the true one is
    EXPECT_EQ(1, unitTesting());
    ResetUnitTesting reset;
    EXPECT_FALSE(UnitTest::unitTesting());
}

TEST(UnitTestTest, TestDataDirIsReadAtConstructionAndItsAbsenceReportedPerCall)
{
    unsetenv("CPP_REGRESSION_TEST_DATA_DIR");
    ResetUnitTesting without;
    setenv("CPP_REGRESSION_TEST_DATA_DIR", "/data/regression", 1);
    ResetUnitTesting with;
    unsetenv("CPP_REGRESSION_TEST_DATA_DIR");
    testing::internal::CaptureStdout();
    EXPECT_EQ("", without.getTestDataDir());
    EXPECT_EQ("", without.getTestDataDir());
    EXPECT_EQ("/data/regression", with.getTestDataDir());
    const std::string notice = "Environmental variable CPP_REGRESSION_TEST_DATA_DIR not defined\n";
    EXPECT_EQ(notice + notice, testing::internal::GetCapturedStdout());
}
