// A small program for the process tests: it ignores its arguments and waits
// to be killed, for two minutes at most, so that nothing outlives a failed run.
#include <unistd.h>

int main()
{
    ::alarm(120);
    for (;;)
        ::pause();
}
