#ifndef QVX_EXPORT_H
#define QVX_EXPORT_H

// QVXUTIL_API marks every exported class and function of the library. The
// library is built with hidden visibility, so anything without it stays private.
// QVXUTIL_C_API additionally gives a plain function C linkage, so that its
// exported name is undecorated.
#if defined(_WIN32)
#  if defined(QVXUTIL_BUILDING)
#    define QVXUTIL_API __declspec(dllexport)
#  else
#    define QVXUTIL_API __declspec(dllimport)
#  endif
#else
#  define QVXUTIL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#  define QVXUTIL_C_API extern "C" QVXUTIL_API
#else
#  define QVXUTIL_C_API QVXUTIL_API
#endif

#endif
