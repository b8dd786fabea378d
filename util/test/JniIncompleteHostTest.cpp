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

using namespace qvxtest;

namespace {

// "condition | message" of the first failed check, in exception mode.
std::string failure(void (*call)())
{
    ExceptionMode mode;
    try
    {
        call();
    }
    catch (const AssertException& e)
    {
        EXPECT_EQ("util/src/kbrAssert.cpp", e.getParameter(1));
        const std::string m = e.getMessage();
        const std::size_t open = m.find("' ("), close = m.find(") failed at line");
        return e.getParameter(0) + " | " + m.substr(open + 3, close - open - 3);
    }
    return "";
}

// Defines com/torvane/util/Assert (without expect(boolean, String)) in the
// system class loader, where the bridge's FindClass looks.
bool defineLateAssertClass(JNIEnv* env)
{
    std::ifstream in(QVX_LATE_ASSERT_CLASS, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    jclass c = env->FindClass("java/lang/ClassLoader");
    jobject loader = env->CallStaticObjectMethod(
        c, env->GetStaticMethodID(c, "getSystemClassLoader", "()Ljava/lang/ClassLoader;"));
    return !bytes.empty() &&
           env->DefineClass("com/torvane/util/Assert", loader, reinterpret_cast<const jbyte*>(bytes.data()),
                            static_cast<jsize>(bytes.size())) != nullptr;
}

}  // namespace

TEST(JniIncompleteHostTest, MissingClassOrMethodEndsJniModeOnTheLocalPath)
{
    setupJniAssertMode(testJvm());
    JNIEnv* env = testEnv();
    EXPECT_EQ("_isJniModeEnabled | Cannot find Assert class!", failure([] { raiseJavaAssertWithMessage("m"); }));
    EXPECT_FALSE(isJniModeEnabled());
    // The lookup's own error is left pending for the host.
    EXPECT_EQ(0u, takePendingException(env).find("java.lang.NoClassDefFoundError"));

    setupJniAssertMode(testJvm());
    {
        NopMode nop;  // the check returns; the bridge stops without a class
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

    // No unitTesting(), exception mode: the check throws while JNI mode is
    // off, which leaves it off.
    setupJniAssertMode(testJvm());
    EXPECT_EQ("methodID != NULL | Cannot find UnitTest.unitTesting() method!", failure([] { isJavaUnitTesting(); }));
    EXPECT_FALSE(isJniModeEnabled());
    env->ExceptionClear();

    // Nop mode: false, nothing cached, JNI mode and the caller's pending
    // exception as they were; the next call asks again.
    setupJniAssertMode(testJvm());
    env->ThrowNew(env->FindClass("java/lang/IllegalStateException"), "caller's own");
    {
        NopMode nop;
        EXPECT_FALSE(isJavaUnitTesting());
    }
    EXPECT_TRUE(isJniModeEnabled());
    EXPECT_EQ("java.lang.IllegalStateException: caller's own", takePendingException(env));
    EXPECT_EQ("methodID != NULL | Cannot find UnitTest.unitTesting() method!", failure([] { isJavaUnitTesting(); }));
    env->ExceptionClear();
}
