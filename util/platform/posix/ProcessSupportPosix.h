#ifndef QVX_PROCESS_SUPPORT_POSIX_H
#define QVX_PROCESS_SUPPORT_POSIX_H

// Pieces shared by the POSIX implementations that start processes. Not
// installed: only posix/*.cpp include it.
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace qvx {
namespace platform {
namespace posix {

// Collects the process when it ends, on a detached thread, so that no
// finished child is left behind.
void collectInBackground(pid_t pid);

// Waits, briefly and boundedly, until the process's command line can be read
// from /proc or the process is gone. Right after a start returns, the new
// program already runs but its arguments are published a moment later.
void awaitCommandLine(pid_t pid);

// The host path a program path (library form) starts: a relative path taken
// from the current directory; X.exe stands for X where no X.exe exists. When
// no candidate exists, the first one, so that the start reports why.
std::string programHostPath(const std::string& program);

// Appends one word of a command line as joinCommandLine writes it (Process.h),
// with a blank before it unless it is the first.
void appendCommandLineWord(std::string& line, const char* word, std::size_t length, bool first);

// The argument vector a start hands a program: commandLine split by
// splitCommandLine, its first word in host form; the executable alone when
// the line is empty. argv points into words and ends with a null pointer.
struct ArgumentVector
{
    ArgumentVector(const std::string& executable, const std::string& commandLine);
    ArgumentVector(const ArgumentVector&) = delete;
    ArgumentVector& operator=(const ArgumentVector&) = delete;

    std::vector<std::string> words;
    std::vector<char*> argv;
};

// A start failure as the layer reports it: EPERM becomes EACCES (see Process.h).
int startErrorCode(int code);

}  // namespace posix
}  // namespace platform
}  // namespace qvx

#endif
