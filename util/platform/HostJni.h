#ifndef QVX_HOST_JNI_H
#define QVX_HOST_JNI_H

// Names the host's Java virtual machine type for public headers without pulling
// in <jni.h>: the declaration matches the one jni.h makes for C++, so a caller
// that includes both sees one type. Only the library's sources include jni.h.
struct JavaVM_;
typedef JavaVM_ JavaVM;

#endif
