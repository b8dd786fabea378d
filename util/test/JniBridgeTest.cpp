// The JNI bridge against a real Java virtual machine whose host classes are
// complete (util/test/java/host).
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "FailedCheck.h"
#include "TestJvm.h"
#include "kbrAssert.h"

using namespace qvxtest;

namespace {

const std::string KBR = "util/src/kbrAssert.cpp";
const char* const ASSERT_CLASS = "com/torvane/util/Assert";
const char* const UNIT_TEST_CLASS = "com/torvane/util/UnitTest";

jthrowable newRuntimeException(JNIEnv* env, const char* text)
{
    jclass c = env->FindClass("java/lang/RuntimeException");
    return static_cast<jthrowable>(env->NewObject(
        c, env->GetMethodID(c, "<init>", "(Ljava/lang/String;)V"), env->NewStringUTF(text)));
}

void leaveJniMode()  // the only way out: setup without a machine, in nop mode
{
    NopMode nop;
    setupJniAssertMode(nullptr);
}

}  // namespace

TEST(JniBridgeTest, RaiseUnitTestingAndASecondThread)
{
    setupJniAssertMode(testJvm());
    JNIEnv* env = testEnv();
    const int before = staticInt(env, ASSERT_CLASS, "calls");
    env->Throw(newRuntimeException(env, "stale"));  // cleared before the call
    const std::string message = "caf\xc3\xa9 \"quoted\" \\ (x)  two  blanks";
    raiseJavaAssertWithMessage(message);
    // What expect(false, message) threw stays pending for the host.
    EXPECT_EQ("java.lang.AssertionError: " + message, takePendingException(env));
    EXPECT_EQ(before + 1, staticInt(env, ASSERT_CLASS, "calls"));
    raiseJavaAssertForUnhandledException("util/src/TcpipServer.cpp", -3);  // the line is signed
    EXPECT_EQ("java.lang.AssertionError: ERROR: Assertion \"false\" (Unhandled JNI exception) "
              "failed in file util/src/TcpipServer.cpp on line -3",
              takePendingException(env));

    // Java is asked once; an exception pending before the call is still pending.
    const int asked = staticInt(env, UNIT_TEST_CLASS, "calls");
    jthrowable pending = newRuntimeException(env, "pending before");
    env->Throw(pending);
    EXPECT_TRUE(isJavaUnitTesting());
    EXPECT_TRUE(env->IsSameObject(pending, env->ExceptionOccurred()));
    env->ExceptionClear();
    jclass c = env->FindClass(UNIT_TEST_CLASS);
    env->SetStaticBooleanField(c, env->GetStaticFieldID(c, "answer", "Z"), JNI_FALSE);
    EXPECT_TRUE(isJavaUnitTesting());
    EXPECT_TRUE(isJniModeEnabled());

    std::string pendingOnThread = "not attached";
    std::thread other([&] {
        raiseJavaAssertWithMessage("from a second thread");
        if (JNIEnv* threadEnv = testEnv())  // null unless the bridge attached this thread
            pendingOnThread = takePendingException(threadEnv);
        testJvm()->DetachCurrentThread();  // the bridge never detaches
    });
    other.join();
    EXPECT_EQ("java.lang.AssertionError: from a second thread", pendingOnThread);
    EXPECT_NE("main", staticString(env, ASSERT_CLASS, "lastThread"));
    leaveJniMode();
    EXPECT_TRUE(isJavaUnitTesting());  // cached, even with JNI mode off
    EXPECT_EQ(asked + 1, staticInt(env, UNIT_TEST_CLASS, "calls"));
}

TEST(JniBridgeTest, AfterAFailedSetupNopModeStillRaisesWithTheStoredMachine)
{
    setupJniAssertMode(testJvm());
    EXPECT_EQ("pVirtualMachine != NULL @ " + KBR, failedCheckWhere([] { setupJniAssertMode(nullptr); }));
    EXPECT_FALSE(isJniModeEnabled());
    // The check threw before anything was stored, so the machine is known. In
    // nop mode "JNI Mode is not enabled!" returns and, with the machine there,
    // the message still reaches Java; JNI mode stays off.
    {
        NopMode nop;
        raiseJavaAssertWithMessage("after setup failed");
    }
    EXPECT_EQ("java.lang.AssertionError: after setup failed", takePendingException(testEnv()));
    EXPECT_FALSE(isJniModeEnabled());
    EXPECT_EQ("origIsJniModeEnabledValue @ " + KBR,
              failedCheckWhere([] { raiseJavaAssertWithMessage("m"); }));
    EXPECT_EQ("", takePendingException(testEnv()));  // exception mode stopped at the check
}
