#include "kbrAssert.h"

#include <jni.h>

#include <atomic>
#include <exception>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "AssertException.h"
#include "MessageBox.h"
#include "UnitTest.h"

namespace {
std::atomic<bool> _isJniModeEnabled{false};
std::atomic<JavaVM*> _pVirtualMachine{nullptr};
std::atomic<bool> _isAssertExceptionModeEnabled{false};
std::atomic<bool> _isAssertNopModeEnabled{false};
std::atomic<bool> _isJavaUnitTestingKnown{false};
std::atomic<bool> _isJavaUnitTesting{false};

// Set while this thread runs the bridge's own checks: they take the local
// path here, while JNI mode stays on for every other thread.
thread_local bool _insideJniBridge = false;

// Marks the calling thread as inside the bridge for a scope (nesting allowed).
// A check that throws out of the marked scope switches JNI mode off for the
// process, as a bridge check that fails while JNI mode is off leaves it.
class InsideJniBridge
{
public:
    InsideJniBridge() : _outer(_insideJniBridge), _exceptions(std::uncaught_exceptions())
    {
        _insideJniBridge = true;
    }
    ~InsideJniBridge()
    {
        if (std::uncaught_exceptions() > _exceptions)
            _isJniModeEnabled = false;
        _insideJniBridge = _outer;
    }
    InsideJniBridge(const InsideJniBridge&) = delete;
    InsideJniBridge& operator=(const InsideJniBridge&) = delete;

private:
    const bool _outer;
    const int _exceptions;
};

bool jniModeOnThisThread()
{
    return _isJniModeEnabled && !_insideJniBridge;
}

const char* const FATAL_ERROR_CAPTION = "Fatal Error - contact k7300 support";

std::string reportText(const std::string& condition, const std::string& message,
                       const std::string& fileName, int line)
{
    std::ostringstream os;
    os << "ERROR: Assertion \"" << condition;
    if (message.empty())
        os << "\" failed in file ";
    else
        os << "\" (" << message << ") failed in file ";
    os << fileName << " on line " << line;
    return os.str();
}

[[noreturn]] void throwAssertException(const std::string& condition, const std::string& message,
                                       const std::string& fileName, unsigned int line)
{
    if (message.empty())
        throw AssertException(condition, fileName, line);
    throw AssertException(condition, message, fileName, line);
}
}  // namespace

void showKbrAssertWithMessage(const std::string& condition, const std::string& message,
                              const std::string& fileName, unsigned int line)
{
    if (jniModeOnThisThread())
        throwAssertException(condition, message, fileName, line);
    if (_isAssertNopModeEnabled)
        return;
    if (_isAssertExceptionModeEnabled)
        throwAssertException(condition, message, fileName, line);

    const std::string text = reportText(condition, message, fileName, static_cast<int>(line));
    std::cout << text << std::endl;
    if (!UnitTest::unitTesting())
        displayMessageBoxWithOKButton(text.c_str(), FATAL_ERROR_CAPTION);
    std::exit(1);
}

void showKbrAssert(const std::string& condition, const std::string& fileName, unsigned int line)
{
    showKbrAssertWithMessage(condition, std::string(), fileName, line);
}

void enableAssertExceptionMode() { _isAssertExceptionModeEnabled = true; }
void disableAssertExceptionMode() { _isAssertExceptionModeEnabled = false; }
bool isAssertExceptionModeEnabled() { return _isAssertExceptionModeEnabled; }
void enableAssertNopMode() { _isAssertNopModeEnabled = true; }
void disableAssertNopMode() { _isAssertNopModeEnabled = false; }
bool isAssertNopModeEnabled() { return _isAssertNopModeEnabled; }
bool isJniModeEnabled() { return jniModeOnThisThread(); }

void setupJniAssertMode(JavaVM* pVirtualMachine)
{
    _isJniModeEnabled = false;
    if (pVirtualMachine == NULL)
    {
        showKbrAssertWithMessage("pVirtualMachine != NULL", "Virtual machine instance is NULL!",
                                 __FILE__, __LINE__);
        // Nop mode: the machine is forgotten and JNI mode stays off, so no later
        // call can reach a stale or missing machine.
        _pVirtualMachine = nullptr;
        return;
    }
    _pVirtualMachine = pVirtualMachine;
    _isJniModeEnabled = true;
}

namespace {
JNIEnv* attachCurrentThread(JavaVM* vm)
{
    void* env = nullptr;
    if (vm->AttachCurrentThread(&env, nullptr) != JNI_OK)
        return nullptr;
    return static_cast<JNIEnv*>(env);
}
}  // namespace

// When one of the bridge's own checks fails and returns (nop mode), the bridge
// goes on as long as what it needs is there: "JNI Mode is not enabled!" alone
// does not stop it while a machine is stored. Where the check guards a missing
// machine, environment, class or method, the function returns at once and
// never uses the missing handle.
void raiseJavaAssertWithMessage(const std::string& message)
{
    const bool origIsJniModeEnabledValue = _isJniModeEnabled;
    JavaVM* vm = nullptr;
    {
        InsideJniBridge bridge;
        if (!origIsJniModeEnabledValue)
            showKbrAssertWithMessage("origIsJniModeEnabledValue", "JNI Mode is not enabled!",
                                     __FILE__, __LINE__);
        vm = _pVirtualMachine;
        if (vm == NULL)
        {
            showKbrAssertWithMessage("_pVirtualMachine != NULL",
                                     "Virtual machine instance is NULL!", __FILE__, __LINE__);
            return;
        }
    }

    JNIEnv* env = attachCurrentThread(vm);
    if (env == nullptr)
    {
        _isJniModeEnabled = false;
        showKbrAssertWithMessage("_isJniModeEnabled", "Cannot attach to JNI environment!",
                                 __FILE__, __LINE__);
        return;
    }
    env->ExceptionClear();

    jclass assertClass = env->FindClass("com/torvane/util/Assert");
    if (assertClass == nullptr)
    {
        _isJniModeEnabled = false;
        showKbrAssertWithMessage("_isJniModeEnabled", "Cannot find Assert class!", __FILE__,
                                 __LINE__);
        return;
    }
    jmethodID expect = env->GetStaticMethodID(assertClass, "expect", "(ZLjava/lang/String;)V");
    if (expect == nullptr)
    {
        _isJniModeEnabled = false;
        showKbrAssertWithMessage("_isJniModeEnabled", "Cannot find Assert.expect() method!",
                                 __FILE__, __LINE__);
        return;
    }
    jstring text = env->NewStringUTF(message.c_str());
    env->CallStaticVoidMethod(assertClass, expect, JNI_FALSE, text);
}

void raiseJavaAssertForUnhandledException(const std::string& fileName, int line)
{
    raiseJavaAssertWithMessage(reportText("false", "Unhandled JNI exception", fileName, line));
}

namespace {
// The nop-mode exit of isJavaUnitTesting after a failed lookup: the lookup's
// own Java error is dropped and the caller's pending exception, if any, is
// pending again, as it would be after a successful call.
void restorePendingException(JNIEnv* env, jthrowable pending)
{
    env->ExceptionClear();
    if (pending != nullptr)
        env->Throw(pending);
}
}  // namespace

// The calling thread is marked inside the bridge from the first check to the
// end, the call into Java included, so its failed checks take the local path
// meanwhile; a check that throws switches JNI mode off. When a check returns
// (nop mode) and a handle is missing, the function answers false and caches
// nothing; the JNI flag was never touched.
bool isJavaUnitTesting()
{
    if (_isJavaUnitTestingKnown)
        return _isJavaUnitTesting;

    const bool origIsJniModeEnabledValue = _isJniModeEnabled;
    InsideJniBridge bridge;
    if (!origIsJniModeEnabledValue)
        showKbrAssertWithMessage("origIsJniModeEnabledValue", "JNI Mode is not enabled!",
                                 __FILE__, __LINE__);
    JavaVM* const vm = _pVirtualMachine;
    if (vm == NULL)
    {
        showKbrAssertWithMessage("_pVirtualMachine != NULL", "Virtual machine instance is NULL!",
                                 __FILE__, __LINE__);
        return false;
    }
    JNIEnv* pJniEnv = attachCurrentThread(vm);
    if (pJniEnv == NULL)
    {
        showKbrAssertWithMessage("pJniEnv != NULL", "Cannot attach to JNI environment",
                                 __FILE__, __LINE__);
        return false;
    }

    jthrowable pending = pJniEnv->ExceptionOccurred();
    if (pending != nullptr)
        pJniEnv->ExceptionClear();

    jclass unitTestClass = pJniEnv->FindClass("com/torvane/util/UnitTest");
    if (unitTestClass == NULL)
    {
        showKbrAssertWithMessage("unitTestClass != NULL", "Cannot find UnitTest class!",
                                 __FILE__, __LINE__);
        restorePendingException(pJniEnv, pending);
        return false;
    }
    jmethodID methodID = pJniEnv->GetStaticMethodID(unitTestClass, "unitTesting", "()Z");
    if (methodID == NULL)
    {
        showKbrAssertWithMessage("methodID != NULL", "Cannot find UnitTest.unitTesting() method!",
                                 __FILE__, __LINE__);
        restorePendingException(pJniEnv, pending);
        return false;
    }
    const jboolean answer = pJniEnv->CallStaticBooleanMethod(unitTestClass, methodID);
    _isJavaUnitTesting = (answer == JNI_TRUE);
    if (pending != nullptr)
        pJniEnv->Throw(pending);
    _isJavaUnitTestingKnown = true;
    return _isJavaUnitTesting;
}

int displayMessageBoxWithOKButton(const char* text, const char* caption)
{
    return qvx::platform::showMessageBox(
        text, caption, qvx::platform::MESSAGE_BOX_OK | qvx::platform::MESSAGE_BOX_SETFOREGROUND);
}
