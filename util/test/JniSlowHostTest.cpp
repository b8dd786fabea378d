// The JNI bridge while the host's Java side is slow to answer: checks that
// fail on other threads meanwhile must still follow JNI mode.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "FailedCheck.h"
#include "TestJvm.h"
#include "kbrAssert.h"

using namespace qvxtest;

namespace {

void setStaticBoolean(JNIEnv* env, const char* field, bool value)
{
    jclass c = env->FindClass("com/torvane/util/UnitTest");
    env->SetStaticBooleanField(c, env->GetStaticFieldID(c, field, "Z"), value ? JNI_TRUE : JNI_FALSE);
}

bool staticBoolean(JNIEnv* env, const char* field)
{
    jclass c = env->FindClass("com/torvane/util/UnitTest");
    return env->GetStaticBooleanField(c, env->GetStaticFieldID(c, field, "Z")) == JNI_TRUE;
}

}  // namespace

TEST(JniSlowHostTest, ChecksOnOtherThreadsFollowJniModeWhileJavaIsAsked)
{
    setupJniAssertMode(testJvm());
    JNIEnv* env = testEnv();
    bool answer = false;
    std::thread asking([&] {
        answer = isJavaUnitTesting();
        testJvm()->DetachCurrentThread();
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!staticBoolean(env, "entered") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(staticBoolean(env, "entered"));

    // The other thread is inside the bridge, in Java. Here JNI mode is on: a
    // failed check throws (it would end the process on the local path).
    EXPECT_TRUE(isJniModeEnabled());
    std::string condition;
    try
    {
        showKbrAssertWithMessage("x > 0", "while Java answers", "util/src/Elsewhere.cpp", 7);
    }
    catch (const AssertException& e)
    {
        condition = e.getParameter(0);
    }
    EXPECT_EQ("x > 0", condition);

    setStaticBoolean(env, "release", true);
    asking.join();
    EXPECT_TRUE(answer);
    EXPECT_TRUE(isJniModeEnabled());

    NopMode nop;  // leave JNI mode: setup without a machine, in nop mode
    setupJniAssertMode(nullptr);
    EXPECT_FALSE(isJniModeEnabled());
}
