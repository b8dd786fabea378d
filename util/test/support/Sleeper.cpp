// A small program for the process tests: it ignores its arguments and waits
// to be killed, for two minutes at most, so that nothing outlives a failed run.
#if defined(_WIN32)
#include <windows.h>

int main()
{
    ::Sleep(120000);
}
#else
#include <unistd.h>

int main()
{
    ::alarm(120);
    for (;;)
        ::pause();
}
#endif
