#ifndef QVX_TEST_TEST_JVM_H
#define QVX_TEST_TEST_JVM_H

// One Java virtual machine per test process (a process can create only one),
// started on first use with the class path the test program was built with
// (QVX_JAVA_CLASS_PATH). Started lazily, so listing the tests needs no JVM.
#include <jni.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace qvxtest {

inline JavaVM* testJvm()
{
    static JavaVM* vm = [] {
        std::string classPath = std::string("-Djava.class.path=") + QVX_JAVA_CLASS_PATH;
        JavaVMOption options[2];
        options[0].optionString = const_cast<char*>(classPath.c_str());
        options[1].optionString = const_cast<char*>("-Xrs");  // leave SIGINT/SIGTERM to us
        JavaVMInitArgs args{};
        args.version = JNI_VERSION_1_8;
        args.nOptions = 2;
        args.options = options;
        args.ignoreUnrecognized = JNI_FALSE;
        JavaVM* created = nullptr;
        JNIEnv* env = nullptr;
        if (JNI_CreateJavaVM(&created, reinterpret_cast<void**>(&env), &args) != JNI_OK)
        {
            std::fputs("cannot start the Java virtual machine\n", stderr);
            std::abort();
        }
        return created;
    }();
    return vm;
}

// The calling thread's environment; the thread must be attached.
inline JNIEnv* testEnv()
{
    void* env = nullptr;
    if (testJvm()->GetEnv(&env, JNI_VERSION_1_8) != JNI_OK)
        return nullptr;
    return static_cast<JNIEnv*>(env);
}

// Bytes of a Java string (modified UTF-8, which equals UTF-8 without NULs).
inline std::string javaBytes(JNIEnv* env, jobject s)
{
    if (s == nullptr)
        return "(null)";
    const char* chars = env->GetStringUTFChars(static_cast<jstring>(s), nullptr);
    std::string out(chars);
    env->ReleaseStringUTFChars(static_cast<jstring>(s), chars);
    return out;
}

// The pending exception's class name and message ("" when none is pending);
// clears it.
inline std::string takePendingException(JNIEnv* env)
{
    jthrowable pending = env->ExceptionOccurred();
    if (pending == nullptr)
        return "";
    env->ExceptionClear();
    jclass throwable = env->FindClass("java/lang/Throwable");
    jmethodID toString = env->GetMethodID(throwable, "toString", "()Ljava/lang/String;");
    return javaBytes(env, env->CallObjectMethod(pending, toString));
}

}  // namespace qvxtest

#endif
