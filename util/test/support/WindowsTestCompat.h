#ifndef QVX_WINDOWS_TEST_COMPAT_H
#define QVX_WINDOWS_TEST_COMPAT_H

// The few POSIX calls the tests use to set up their environment, for the
// Windows build of the tests (force-included there, nowhere else). The
// environment is written both to the run-time's copy, which getenv reads,
// and to the process's own block, which the library reads and started
// programs inherit; only the latter can hold an empty value.
#if defined(_WIN32)
#  include <direct.h>
#  include <io.h>
#  include <stdlib.h>
#  include <string.h>
#  include <winsock2.h>
#  include <windows.h>

inline int setenv(const char* name, const char* value, int overwrite)
{
    if (!overwrite && getenv(name) != nullptr)
        return 0;
    _putenv_s(name, value);
    return SetEnvironmentVariableA(name, value) ? 0 : -1;
}

inline int unsetenv(const char* name)
{
    _putenv_s(name, "");
    SetEnvironmentVariableA(name, nullptr);
    return 0;
}

inline char* mkdtemp(char* pattern)
{
    const size_t length = strlen(pattern) + 1;
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        char candidate[MAX_PATH];
        if (length > sizeof candidate)
            return nullptr;
        memcpy(candidate, pattern, length);
        if (_mktemp_s(candidate, length) != 0)
            return nullptr;
        if (_mkdir(candidate) == 0)
        {
            memcpy(pattern, candidate, length);
            return pattern;
        }
    }
    return nullptr;
}

#  ifndef O_CLOEXEC
#    define O_CLOEXEC 0
#  endif
#  ifndef F_OK
#    define F_OK 0
#  endif
#endif

#endif
