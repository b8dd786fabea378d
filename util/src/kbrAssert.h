#ifndef QVX_KBR_ASSERT_H
#define QVX_KBR_ASSERT_H

#include <string>

#include "HostJni.h"
#include "QvxExport.h"

// The failed-check routine and its modes. A check is made in place: the caller
// tests its condition and calls showKbrAssert / showKbrAssertWithMessage only
// when it is false, passing the condition's source text. The mode decides:
//   JNI mode      -> throw AssertException
//   nop mode      -> return at once
//   exception mode-> throw AssertException
//   default       -> report line on stdout, message box (unless unit testing), exit(1)
// tested in that order. The switches are atomic so that a thread may read what
// another set; nothing else about them is locked.

QVXUTIL_C_API void showKbrAssertWithMessage(const std::string& condition,
                                            const std::string& message,
                                            const std::string& fileName, unsigned int line);
QVXUTIL_C_API void showKbrAssert(const std::string& condition, const std::string& fileName,
                                 unsigned int line);

QVXUTIL_C_API void enableAssertExceptionMode();
QVXUTIL_C_API void disableAssertExceptionMode();
QVXUTIL_C_API bool isAssertExceptionModeEnabled();
QVXUTIL_C_API void enableAssertNopMode();
QVXUTIL_C_API void disableAssertNopMode();
QVXUTIL_C_API bool isAssertNopModeEnabled();

// JNI bridge. Its own failed checks take the local path: while they run, the
// calling thread carries an "inside the bridge" mark under which JNI mode
// counts as off for that thread alone (showKbrAssert, isJniModeEnabled). The
// process-wide JNI flag is not switched off meanwhile, so a check failing on
// another thread during a slow call into Java still throws as JNI mode says.
// The flag changes only where the bridge gives up on JNI mode for good (no
// environment, class or method; or one of its own checks throws). In nop mode a bridge function goes on after a failed check
// only when what it needs is there: it never uses a missing machine,
// environment, class or method. Then setupJniAssertMode(nullptr) forgets the
// machine and leaves JNI mode off; raiseJavaAssertWithMessage returns;
// isJavaUnitTesting answers false, caches nothing, leaves the caller's pending
// Java exception pending and restores the JNI flag as it was. The bridge never
// detaches a thread it attached.
QVXUTIL_C_API void setupJniAssertMode(JavaVM* pVirtualMachine);
QVXUTIL_C_API bool isJniModeEnabled();
QVXUTIL_C_API void raiseJavaAssertWithMessage(const std::string& message);
QVXUTIL_C_API void raiseJavaAssertForUnhandledException(const std::string& fileName, int line);
QVXUTIL_C_API bool isJavaUnitTesting();

// A modal box with an OK button, no owner window, brought to the foreground.
QVXUTIL_C_API int displayMessageBoxWithOKButton(const char* text, const char* caption);

// Check macros: the condition's text is its source text, so write the source
// exactly as the reported text should read ("! s.empty()", "c> 0").
#define KBR_ASSERT(condition)                                                  \
    do                                                                         \
    {                                                                          \
        if (!(condition))                                                      \
            showKbrAssert(#condition, __FILE__, __LINE__);                     \
    } while (0)

#define KBR_ASSERT_MSG(condition, message)                                     \
    do                                                                         \
    {                                                                          \
        if (!(condition))                                                      \
            showKbrAssertWithMessage(#condition, message, __FILE__, __LINE__); \
    } while (0)

#endif
