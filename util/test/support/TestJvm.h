#ifndef QVX_TEST_TEST_JVM_H
#define QVX_TEST_TEST_JVM_H

// One Java virtual machine per test process (a process can create only one),
// started on first use, so that listing the tests needs none, with the class
// path the test program was built with (QVX_JAVA_CLASS_PATH).
#include <jni.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace qvxtest {

inline JavaVM* testJvm()
{
    static JavaVM* const vm = [] {
        std::string classPath = std::string("-Djava.class.path=") + QVX_JAVA_CLASS_PATH;
        JavaVMOption options[] = {{const_cast<char*>(classPath.c_str()), nullptr},
                                  {const_cast<char*>("-Xrs"), nullptr}};  // signals stay ours
        JavaVMInitArgs args{JNI_VERSION_1_8, 2, options, JNI_FALSE};
        JavaVM* created = nullptr;
        void* env = nullptr;
        if (JNI_CreateJavaVM(&created, &env, &args) != JNI_OK)
        {
            std::fputs("cannot start the Java virtual machine\n", stderr);
            std::abort();
        }
        return created;
    }();
    return vm;
}

// The calling thread's environment, or null when the thread is not attached.
inline JNIEnv* testEnv()
{
    void* env = nullptr;
    return testJvm()->GetEnv(&env, JNI_VERSION_1_8) == JNI_OK ? static_cast<JNIEnv*>(env) : nullptr;
}

// Bytes of a Java string (modified UTF-8: UTF-8 for text without NULs).
inline std::string javaBytes(JNIEnv* env, jobject s)
{
    if (s == nullptr)
        return "(null)";
    const char* chars = env->GetStringUTFChars(static_cast<jstring>(s), nullptr);
    const std::string out(chars);
    env->ReleaseStringUTFChars(static_cast<jstring>(s), chars);
    return out;
}

// "class: message" of the pending Java exception, "" when none; clears it.
inline std::string takePendingException(JNIEnv* env)
{
    jthrowable pending = env->ExceptionOccurred();
    if (pending == nullptr)
        return "";
    env->ExceptionClear();
    jclass throwable = env->FindClass("java/lang/Throwable");
    return javaBytes(env, env->CallObjectMethod(
                              pending, env->GetMethodID(throwable, "toString", "()Ljava/lang/String;")));
}

inline int staticInt(JNIEnv* env, const char* cls, const char* field)
{
    jclass c = env->FindClass(cls);
    return env->GetStaticIntField(c, env->GetStaticFieldID(c, field, "I"));
}

inline std::string staticString(JNIEnv* env, const char* cls, const char* field)
{
    jclass c = env->FindClass(cls);
    return javaBytes(env, env->GetStaticObjectField(c, env->GetStaticFieldID(c, field, "Ljava/lang/String;")));
}

}  // namespace qvxtest

#endif
