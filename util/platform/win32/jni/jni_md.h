/* The machine-dependent JNI definitions of a Windows JVM, for the Windows build
   of the library: the Debian JDK ships only its Linux jni_md.h, whose calling
   convention and integer types are not those of a Windows JVM. jni.h includes
   this file by name; the Windows build puts this directory on the include
   path ahead of nothing else that holds a jni_md.h. */
#ifndef _JAVASOFT_JNI_MD_H_
#define _JAVASOFT_JNI_MD_H_

#ifndef JNIEXPORT
#  define JNIEXPORT __declspec(dllexport)
#endif
#define JNIIMPORT __declspec(dllimport)
/* Native methods and the invocation interface use the standard calling
   convention (it differs from the C one on 32-bit x86 only). */
#define JNICALL __stdcall

/* long is 32 bits on Windows, also in 64-bit programs. */
typedef long jint;
typedef long long jlong;
typedef signed char jbyte;

#endif
