#ifndef QVX_HOST_REGISTRY_KEY_H
#define QVX_HOST_REGISTRY_KEY_H

// Gives public headers the registry key handle type HKEY and the predefined
// roots. On Windows they are the system's own; elsewhere HKEY is an opaque
// pointer type and the roots carry the same numeric values, so that a key
// named by its root reads the same on every host.
#if defined(_WIN32)
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  include <windows.h>
#else
#  include <cstdint>

struct QvxRegistryKey;
typedef QvxRegistryKey* HKEY;

#  define HKEY_CLASSES_ROOT ((HKEY)(std::uintptr_t)0x80000000u)
#  define HKEY_CURRENT_USER ((HKEY)(std::uintptr_t)0x80000001u)
#  define HKEY_LOCAL_MACHINE ((HKEY)(std::uintptr_t)0x80000002u)
#  define HKEY_USERS ((HKEY)(std::uintptr_t)0x80000003u)
#  define HKEY_CURRENT_CONFIG ((HKEY)(std::uintptr_t)0x80000005u)
#endif

#endif
