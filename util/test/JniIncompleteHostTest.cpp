// The JNI bridge against a real Java virtual machine whose host classes are
// incomplete (util/test/java/incomplete): no Assert class, and a UnitTest
// without unitTesting(). Every failure takes the local path.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "AssertException.h"
#include "FailedCheck.h"
#include "TestJvm.h"
#include "kbrAssert.h"

using qvxtest::takePendingException;
using qvxtest::testEnv;
using qvxtest::testJvm;

namespace {

// The condition and message of the first failed check, in exception mode.
std::string failure(void (*call)())
{
    qvxtest::ExceptionMode mode;
    try
    {
        call();
    }
    catch (const AssertException& e)
    {
        EXPECT_EQ("util/src/kbrAssert.cpp", e.getParameter(1));
        const std::string m = e.getMessage();
        const std::size_t open = m.find("' (");
        const std::size_t close = m.find(") failed at line");
        return e.getParameter(0) + " | " +
               (open == std::string::npos || close == std::string::npos
                    ? std::string("?")
                    : m.substr(open + 3, close - open - 3));
    }
    return "";
}

// Defines com/torvane/util/Assert from QVX_LATE_ASSERT_CLASS in the system
// class loader, where the bridge's FindClass looks.
bool defineLateAssertClass(JNIEnv* env)
{
    std::ifstream in(QVX_LATE_ASSERT_CLASS, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    jclass loaderClass = env->FindClass("java/lang/ClassLoader");
    jobject loader = env->CallStaticObjectMethod(
        loaderClass, env->GetStaticMethodID(loaderClass, "getSystemClassLoader", "()Ljava/lang/ClassLoader;"));
    jclass defined = env->DefineClass("com/torvane/util/Assert", loader,
                                      reinterpret_cast<const jbyte*>(bytes.data()),
                                      static_cast<jsize>(bytes.size()));
    return !bytes.empty() && defined != nullptr;
}

}  // namespace

TEST(JniIncompleteHostTest, MissingAssertClassThenMissingExpectMethodEndJniMode)
{
    ASSERT_NE(nullptr, testJvm());
    JNIEnv* env = testEnv();

    setupJniAssertMode(testJvm());
    EXPECT_EQ("_isJniModeEnabled | Cannot find Assert class!",
              failure([] { raiseJavaAssertWithMessage("m"); }));
    EXPECT_FALSE(isJniModeEnabled());
    // The lookup's own error is left to the host.
    EXPECT_EQ(0u, takePendingException(env).find("java.lang.NoClassDefFoundError"));

    // Nop mode: the check returns and the bridge stops without a class.
    setupJniAssertMode(testJvm());
    {
        qvxtest::NopMode nop;
        raiseJavaAssertWithMessage("m");
    }
    EXPECT_FALSE(isJniModeEnabled());
    takePendingException(env);

    ASSERT_TRUE(defineLateAssertClass(env));
    setupJniAssertMode(testJvm());
    EXPECT_EQ("_isJniModeEnabled | Cannot find Assert.expect() method!",
              failure([] { raiseJavaAssertWithMessage("m"); }));
    EXPECT_FALSE(isJniModeEnabled());
    EXPECT_EQ(0u, takePendingException(env).find("java.lang.NoSuchMethodError"));
}

TEST(JniIncompleteHostTest, MissingUnitTestingMethod)
{
    ASSERT_NE(nullptr, testJvm());
    JNIEnv* env = testEnv();

    // Exception mode: the check throws while JNI mode is off, which leaves it off.
    setupJniAssertMode(testJvm());
    EXPECT_EQ("methodID != NULL | Cannot find UnitTest.unitTesting() method!",
              failure([] { isJavaUnitTesting(); }));
    EXPECT_FALSE(isJniModeEnabled());
    env->ExceptionClear();

    // Nop mode: false, nothing cached, JNI mode and the caller's pending
    // exception as they were. A second call asks again and fails the same way.
    setupJniAssertMode(testJvm());
    jclass c = env->FindClass("java/lang/IllegalStateException");
    env->ThrowNew(c, "caller's own");
    {
        qvxtest::NopMode nop;
        EXPECT_FALSE(isJavaUnitTesting());
    }
    EXPECT_TRUE(isJniModeEnabled());
    EXPECT_EQ("java.lang.IllegalStateException: caller's own", takePendingException(env));
    EXPECT_EQ("methodID != NULL | Cannot find UnitTest.unitTesting() method!",
              failure([] { isJavaUnitTesting(); }));
    env->ExceptionClear();
}
