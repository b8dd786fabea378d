// The failed-check routine: modes and their precedence, AssertException's own
// checks, the bridge's local failures, and the default path (report line,
// message box, exit code 1).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <list>
#include <string>

#include "AssertException.h"
#include "FailedCheck.h"
#include "MessageBox.h"
#include "UnitTest.h"
#include "kbrAssert.h"

using qvxtest::failedCheckWhere;

namespace {

const std::string KBR = "util/src/kbrAssert.cpp";
const std::string AE = "util/src/AssertException.cpp";

// A machine handle that the failed-check routine stores but never calls: only
// the bridge functions use it, and these tests do not call them with it.
alignas(void*) unsigned char standInMachine[64];
JavaVM* const STAND_IN_VM = reinterpret_cast<JavaVM*>(standInMachine);

// Sets the three switches for a scope; all off again afterwards.
class Modes
{
public:
    Modes(bool jni, bool nop, bool exception)
    {
        if (jni)
            setupJniAssertMode(STAND_IN_VM);
        nop ? enableAssertNopMode() : disableAssertNopMode();
        exception ? enableAssertExceptionMode() : disableAssertExceptionMode();
    }
    ~Modes()
    {
        // setupJniAssertMode(nullptr) is the only way out of JNI mode; in nop
        // mode its failed check returns and the stand-in is forgotten.
        enableAssertNopMode();
        setupJniAssertMode(nullptr);
        disableAssertNopMode();
        disableAssertExceptionMode();
    }
    Modes(const Modes&) = delete;
    Modes& operator=(const Modes&) = delete;
};

struct Caught
{
    bool thrown = false;
    std::string key, message;
    std::list<std::string> parameters;
};

Caught run(const std::function<void()>& call)
{
    Caught c;
    try
    {
        call();
    }
    catch (const XrayTesterException& e)  // AssertException is caught as its base
    {
        c.thrown = true;
        c.key = e.getKey();
        c.message = e.getMessage();
        c.parameters = e.getParameters();
    }
    return c;
}

}  // namespace

TEST(AssertTest, ModesAndPrecedenceJniOverNopOverException)
{
    const struct
    {
        bool jni, nop, exception, throws;
    } rows[] = {
        {false, false, true, true},  {false, true, false, false}, {false, true, true, false},
        {true, false, false, true},  {true, true, false, true},   {true, false, true, true},
        {true, true, true, true},
    };
    for (const auto& r : rows)
    {
        SCOPED_TRACE(testing::Message() << "jni " << r.jni << " nop " << r.nop << " exception "
                                        << r.exception);
        Modes modes(r.jni, r.nop, r.exception);
        EXPECT_EQ(r.jni, isJniModeEnabled());
        EXPECT_EQ(r.nop, isAssertNopModeEnabled());
        EXPECT_EQ(r.exception, isAssertExceptionModeEnabled());

        const Caught plain = run([] { showKbrAssert("! s.empty()", "util/src/StringUtil.cpp", 42); });
        const Caught withMessage =
            run([] { showKbrAssertWithMessage("a < b", "too (big)", "util/src/X.cpp", 4294967295u); });
        const Caught emptyMessage = run([] { showKbrAssertWithMessage("c", "", "f.cpp", 0); });
        ASSERT_EQ(r.throws, plain.thrown);
        ASSERT_EQ(r.throws, withMessage.thrown);
        ASSERT_EQ(r.throws, emptyMessage.thrown);
        if (!r.throws)
            continue;
        EXPECT_EQ("ASSERT_EXCEPTION_KEY", plain.key);
        EXPECT_EQ("Internal error - An assert condition '! s.empty()' failed at line number 42 in "
                  "file 'util/src/StringUtil.cpp'.",
                  plain.message);
        EXPECT_EQ((std::list<std::string>{"! s.empty()", "util/src/StringUtil.cpp", "42"}),
                  plain.parameters);
        EXPECT_EQ("ASSERT_EXCEPTION_KEY", withMessage.key);
        EXPECT_EQ("Internal error - An assert condition 'a < b' (too (big)) failed at line number "
                  "4294967295 in file 'util/src/X.cpp'.",
                  withMessage.message);
        EXPECT_EQ((std::list<std::string>{"a < b", "util/src/X.cpp", "4294967295"}),
                  withMessage.parameters);
        // An empty message takes the form without parentheses.
        EXPECT_EQ("Internal error - An assert condition 'c' failed at line number 0 in file "
                  "'f.cpp'.",
                  emptyMessage.message);
    }
    EXPECT_FALSE(isJniModeEnabled());
}

TEST(AssertTest, AssertExceptionChecksItsOwnInputsFirst)
{
    const struct
    {
        std::function<void()> call;
        std::string expected;
    } rows[] = {
        {[] { showKbrAssert("", "f.cpp", 1); }, "! condition.empty() @ " + AE},
        {[] { showKbrAssert("", "", 1); }, "! condition.empty() @ " + AE},
        {[] { showKbrAssert("c", "", 1); }, "! fileName.empty() @ " + AE},
        {[] { showKbrAssertWithMessage("", "m", "f.cpp", 1); }, "condition.empty() == false @ " + AE},
        {[] { showKbrAssertWithMessage("", "m", "", 1); }, "condition.empty() == false @ " + AE},
        {[] { showKbrAssertWithMessage("c", "m", "", 1); }, "fileName.empty() == false @ " + AE},
        {[] { AssertException("c", "", "f.cpp", 1); }, ""},  // an empty message is allowed
    };
    for (const auto& r : rows)
        EXPECT_EQ(r.expected, failedCheckWhere(r.call));

    const AssertException e("c", "", "f.cpp", 3);
    EXPECT_EQ("Internal error - An assert condition 'c' () failed at line number 3 in file 'f.cpp'.",
              e.getMessage());

    // In nop mode the checks return and the exception still has three parameters.
    qvxtest::NopMode nop;
    const AssertException empty("", "", 5);
    EXPECT_EQ((std::list<std::string>{"", "", "5"}), empty.getParameters());
}

TEST(AssertTest, BridgeFailuresTakeTheLocalPath)
{
    // Without a machine: the bridge's checks name kbrAssert and JNI mode stays off.
    EXPECT_EQ("pVirtualMachine != NULL @ " + KBR, failedCheckWhere([] { setupJniAssertMode(nullptr); }));
    EXPECT_EQ("origIsJniModeEnabledValue @ " + KBR,
              failedCheckWhere([] { raiseJavaAssertWithMessage("m"); }));
    EXPECT_EQ("origIsJniModeEnabledValue @ " + KBR, failedCheckWhere([] { isJavaUnitTesting(); }));
    EXPECT_EQ("origIsJniModeEnabledValue @ " + KBR,
              failedCheckWhere([] { raiseJavaAssertForUnhandledException("f.cpp", 1); }));
    const Caught c = run([] {
        qvxtest::ExceptionMode mode;
        setupJniAssertMode(nullptr);
    });
    EXPECT_EQ("Internal error - An assert condition 'pVirtualMachine != NULL' (Virtual machine "
              "instance is NULL!) failed at line number " +
                  c.parameters.back() + " in file '" + KBR + "'.",
              c.message);
    EXPECT_FALSE(isJniModeEnabled());

    // Nop mode: every check returns, and no bridge function touches the missing
    // machine (AddressSanitizer would see it).
    qvxtest::NopMode nop;
    setupJniAssertMode(nullptr);
    EXPECT_FALSE(isJniModeEnabled());
    raiseJavaAssertWithMessage("m");
    raiseJavaAssertForUnhandledException("f.cpp", 1);
    EXPECT_FALSE(isJavaUnitTesting());
    EXPECT_FALSE(isJavaUnitTesting());
    EXPECT_FALSE(isJniModeEnabled());
}

namespace {

int recordedCalls = 0;
std::string recordedText, recordedCaption;
unsigned int recordedStyle = 0;

int recordingPresenter(const char* text, const char* caption, unsigned int style)
{
    ++recordedCalls;
    recordedText = text;
    recordedCaption = caption;
    recordedStyle = style;
    return 7;
}

// Shows the box on standard error, where a death test can see it.
int markerPresenter(const char* text, const char* caption, unsigned int style)
{
    std::fprintf(stderr, "BOX style=%#x caption=%s text=%s\n", style, caption, text);
    return 1;
}

std::string quoteRegex(const std::string& s)
{
    std::string out;
    for (char c : s)
    {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos)
            out += '\\';
        out += c;
    }
    return out;
}

struct ResetUnitTesting : UnitTest
{
    void run() override {}
};

// In the death test's child: standard output joins standard error, the box
// writes a marker, and an exit handler shows that exit() ran the handlers.
void prepareChild(bool unitTesting)
{
    std::fflush(stdout);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    qvx::platform::setMessageBoxPresenter(&markerPresenter);
    std::atexit([] { std::fputs("exit handlers ran\n", stderr); });
    if (unitTesting)
        setenv("UNIT_TESTING", "True", 1);
    else
        unsetenv("UNIT_TESTING");
    ResetUnitTesting reset;  // forget an earlier true answer
}

}  // namespace

TEST(AssertTest, MessageBoxGoesThroughTheInstalledPresenter)
{
    const auto previous = qvx::platform::setMessageBoxPresenter(&recordingPresenter);
    EXPECT_EQ(7, displayMessageBoxWithOKButton("the text", "the caption"));
    qvx::platform::setMessageBoxPresenter(previous);
    EXPECT_EQ(1, recordedCalls);
    EXPECT_EQ("the text", recordedText);
    EXPECT_EQ("the caption", recordedCaption);
    EXPECT_EQ(0x10000u, recordedStyle);
}

TEST(AssertDeathTest, DefaultModeReportsExitsWithOneAndShowsNoBoxWhileUnitTesting)
{
    const std::string line = "ERROR: Assertion \"! s.empty()\" failed in file util/src/StringUtil.cpp on line 42";
    EXPECT_EXIT(
        {
            prepareChild(true);
            showKbrAssert("! s.empty()", "util/src/StringUtil.cpp", 42);
        },
        testing::ExitedWithCode(1), "(^|\n)" + quoteRegex(line) + "\nexit handlers ran\n$");
}

TEST(AssertDeathTest, DefaultModeShowsTheBoxWhenNotUnitTesting)
{
    const std::string line = "ERROR: Assertion \"a < b\" (too (big)) failed in file f.cpp on line 7";
    EXPECT_EXIT(
        {
            prepareChild(false);
            showKbrAssertWithMessage("a < b", "too (big)", "f.cpp", 7);
        },
        testing::ExitedWithCode(1),
        "(^|\n)" + quoteRegex(line) + "\nBOX style=0x10000 caption=Fatal Error - contact k7300 support text=" +
            quoteRegex(line) + "\nexit handlers ran\n$");
}

TEST(AssertDeathTest, SetupWithoutMachineEndsTheProcessInDefaultMode)
{
    EXPECT_EXIT(
        {
            prepareChild(true);
            setupJniAssertMode(nullptr);
        },
        testing::ExitedWithCode(1),
        "(^|\n)" + quoteRegex("ERROR: Assertion \"pVirtualMachine != NULL\" (Virtual machine "
                              "instance is NULL!) failed in file " + KBR + " on line ") +
            "[0-9]+\nexit handlers ran\n$");
}
