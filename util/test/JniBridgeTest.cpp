// The JNI bridge against a real Java virtual machine whose host classes are
// complete (util/test/java/host).
#include <gtest/gtest.h>

#include <list>
#include <string>
#include <thread>

#include "AssertException.h"
#include "FailedCheck.h"
#include "TestJvm.h"
#include "kbrAssert.h"

using qvxtest::javaBytes;
using qvxtest::takePendingException;
using qvxtest::testEnv;
using qvxtest::testJvm;

namespace {

const std::string KBR = "util/src/kbrAssert.cpp";

int staticInt(JNIEnv* env, const char* cls, const char* field)
{
    jclass c = env->FindClass(cls);
    return env->GetStaticIntField(c, env->GetStaticFieldID(c, field, "I"));
}

std::string staticString(JNIEnv* env, const char* cls, const char* field)
{
    jclass c = env->FindClass(cls);
    return javaBytes(env, env->GetStaticObjectField(
                              c, env->GetStaticFieldID(c, field, "Ljava/lang/String;")));
}

bool staticBool(JNIEnv* env, const char* cls, const char* field)
{
    jclass c = env->FindClass(cls);
    return env->GetStaticBooleanField(c, env->GetStaticFieldID(c, field, "Z")) == JNI_TRUE;
}

jthrowable newRuntimeException(JNIEnv* env, const char* text)
{
    jclass c = env->FindClass("java/lang/RuntimeException");
    jmethodID init = env->GetMethodID(c, "<init>", "(Ljava/lang/String;)V");
    return static_cast<jthrowable>(env->NewObject(c, init, env->NewStringUTF(text)));
}

// Leaves JNI mode the only way there is: setup without a machine, in nop mode.
void leaveJniMode()
{
    qvxtest::NopMode nop;
    setupJniAssertMode(nullptr);
}

const char* const ASSERT_CLASS = "com/torvane/util/Assert";
const char* const UNIT_TEST_CLASS = "com/torvane/util/UnitTest";

}  // namespace

TEST(JniBridgeTest, JniModeThrowsEvenInNopMode)
{
    setupJniAssertMode(testJvm());
    EXPECT_TRUE(isJniModeEnabled());
    qvxtest::NopMode nop;
    try
    {
        showKbrAssertWithMessage("n > 0", "why", "util/src/Y.cpp", 8);
        ADD_FAILURE() << "no throw";
    }
    catch (const AssertException& e)
    {
        EXPECT_EQ("ASSERT_EXCEPTION_KEY", e.getKey());
        EXPECT_EQ("Internal error - An assert condition 'n > 0' (why) failed at line number 8 in "
                  "file 'util/src/Y.cpp'.",
                  e.getMessage());
        EXPECT_EQ((std::list<std::string>{"n > 0", "util/src/Y.cpp", "8"}), e.getParameters());
    }
    EXPECT_TRUE(isJniModeEnabled());
    setupJniAssertMode(nullptr);  // nop mode: returns, JNI mode off
    EXPECT_FALSE(isJniModeEnabled());
}

TEST(JniBridgeTest, RaiseCallsExpectWithFalseAndTheMessageBytes)
{
    setupJniAssertMode(testJvm());
    JNIEnv* env = testEnv();
    const int before = staticInt(env, ASSERT_CLASS, "calls");
    // An exception pending from earlier is cleared before the call.
    env->Throw(newRuntimeException(env, "stale"));
    const std::string message = "caf\xc3\xa9 \"quoted\" \\ (x)  two  blanks";
    raiseJavaAssertWithMessage(message);
    // What expect() threw stays pending for the host.
    EXPECT_EQ("java.lang.AssertionError: " + message, takePendingException(env));
    EXPECT_EQ(before + 1, staticInt(env, ASSERT_CLASS, "calls"));
    EXPECT_FALSE(staticBool(env, ASSERT_CLASS, "lastCondition"));
    EXPECT_EQ(message, staticString(env, ASSERT_CLASS, "lastMessage"));
    EXPECT_TRUE(isJniModeEnabled());

    raiseJavaAssertForUnhandledException("util/src/TcpipServer.cpp", 120);
    takePendingException(env);
    EXPECT_EQ("ERROR: Assertion \"false\" (Unhandled JNI exception) failed in file "
              "util/src/TcpipServer.cpp on line 120",
              staticString(env, ASSERT_CLASS, "lastMessage"));
    raiseJavaAssertForUnhandledException("f.cpp", -3);  // the line is signed
    takePendingException(env);
    EXPECT_EQ("ERROR: Assertion \"false\" (Unhandled JNI exception) failed in file f.cpp on line -3",
              staticString(env, ASSERT_CLASS, "lastMessage"));
    leaveJniMode();
}

TEST(JniBridgeTest, UnitTestingIsAskedOnceAndAPendingExceptionSurvives)
{
    setupJniAssertMode(testJvm());
    JNIEnv* env = testEnv();
    const int before = staticInt(env, UNIT_TEST_CLASS, "calls");
    jthrowable pending = newRuntimeException(env, "pending before");
    env->Throw(pending);

    EXPECT_TRUE(isJavaUnitTesting());

    jthrowable after = env->ExceptionOccurred();
    ASSERT_NE(nullptr, after);
    EXPECT_TRUE(env->IsSameObject(pending, after));
    env->ExceptionClear();
    EXPECT_EQ(before + 1, staticInt(env, UNIT_TEST_CLASS, "calls"));
    EXPECT_TRUE(isJniModeEnabled());

    // The answer is cached: a changed Java answer is not asked for again.
    jclass c = env->FindClass(UNIT_TEST_CLASS);
    env->SetStaticBooleanField(c, env->GetStaticFieldID(c, "answer", "Z"), JNI_FALSE);
    EXPECT_TRUE(isJavaUnitTesting());
    leaveJniMode();
    EXPECT_TRUE(isJavaUnitTesting());  // cached even with JNI mode off
    EXPECT_EQ(before + 1, staticInt(env, UNIT_TEST_CLASS, "calls"));
}

TEST(JniBridgeTest, ASecondNativeThreadIsAttachedAndRaises)
{
    setupJniAssertMode(testJvm());
    std::string pendingOnThread;
    bool attached = false;
    std::thread other([&] {
        raiseJavaAssertWithMessage("from a second thread");
        JNIEnv* env = testEnv();  // null unless the bridge attached this thread
        attached = env != nullptr;
        if (env != nullptr)
            pendingOnThread = takePendingException(env);
        // The bridge never detaches; a thread must before it ends.
        testJvm()->DetachCurrentThread();
    });
    other.join();
    EXPECT_TRUE(attached);
    EXPECT_EQ("java.lang.AssertionError: from a second thread", pendingOnThread);
    JNIEnv* env = testEnv();
    EXPECT_EQ("from a second thread", staticString(env, ASSERT_CLASS, "lastMessage"));
    EXPECT_NE("main", staticString(env, ASSERT_CLASS, "lastThread"));
    leaveJniMode();
}

TEST(JniBridgeTest, SetupWithoutMachineEndsJniModeAndNopModeStillRaises)
{
    setupJniAssertMode(testJvm());
    EXPECT_EQ("pVirtualMachine != NULL @ " + KBR,
              qvxtest::failedCheckWhere([] { setupJniAssertMode(nullptr); }));
    EXPECT_FALSE(isJniModeEnabled());

    // The failed setup threw before anything was stored, so the machine is still
    // known. Nop mode: "JNI Mode is not enabled!" returns, and with the machine
    // there the message still reaches Java; JNI mode stays off.
    JNIEnv* env = testEnv();
    const int before = staticInt(env, ASSERT_CLASS, "calls");
    {
        qvxtest::NopMode nop;
        raiseJavaAssertWithMessage("after setup failed");
    }
    EXPECT_EQ("java.lang.AssertionError: after setup failed", takePendingException(env));
    EXPECT_EQ(before + 1, staticInt(env, ASSERT_CLASS, "calls"));
    EXPECT_FALSE(isJniModeEnabled());
    // In exception mode the same call stops at that check.
    EXPECT_EQ("origIsJniModeEnabledValue @ " + KBR,
              qvxtest::failedCheckWhere([] { raiseJavaAssertWithMessage("m"); }));
    EXPECT_EQ(before + 1, staticInt(env, ASSERT_CLASS, "calls"));
}
