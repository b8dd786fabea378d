#include "ProcessTable.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "DescriptorPosix.h"
#include "HostPath.h"
#include "Process.h"
#include "ProcessSupportPosix.h"

namespace qvx {
namespace platform {

namespace {

using posix::Descriptor;

// Bounds for what one process can make us read: its argument area (the
// kernel's own limit for arguments is far below) and its executable path.
constexpr std::size_t kMaxFileBytes = 4u << 20;
constexpr std::size_t kMaxLinkBytes = 64u << 10;

// Reads a whole /proc file of the process directory into buf[0, length).
bool readFileAt(int dirFd, const char* name, std::vector<char>& buf, std::size_t& length)
{
    Descriptor fd(::openat(dirFd, name, O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return false;
    length = 0;
    for (;;)
    {
        if (length == buf.size())
        {
            if (buf.size() >= kMaxFileBytes)
                return true;  // the rest is cut off
            buf.resize(buf.size() * 2);
        }
        const ssize_t n = ::read(fd.get(), buf.data() + length, buf.size() - length);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        length += static_cast<std::size_t>(n);
    }
}

bool readLinkAt(int dirFd, const char* name, std::vector<char>& buf, std::size_t& length)
{
    for (;;)
    {
        const ssize_t n = ::readlinkat(dirFd, name, buf.data(), buf.size());
        if (n < 0)
            return false;
        if (static_cast<std::size_t>(n) < buf.size())
        {
            length = static_cast<std::size_t>(n);
            return true;
        }
        if (buf.size() >= kMaxLinkBytes)
            return false;
        buf.resize(buf.size() * 2);
    }
}

// What /proc/N/stat tells: the kernel's short name, the state letter and the
// start time (field 22, clock ticks since boot).
struct StatFields
{
    std::string comm;
    char state = '?';
    unsigned long long startTime = 0;
};

bool parseStat(const char* text, std::size_t length, StatFields& fields)
{
    const char* end = text + length;
    const char* open = std::find(text, end, '(');
    const char* close = end;
    while (close > open && *(close - 1) != ')')
        --close;
    if (open == end || close <= open)
        return false;
    fields.comm.assign(open + 1, close - 1);
    const char* p = close;  // at " S ppid ..."
    int field = 2;
    while (p < end && field < 22)
    {
        if (*p == ' ')
        {
            ++field;
            if (field == 3 && p + 1 < end)
                fields.state = p[1];
        }
        ++p;
    }
    if (field != 22)
        return false;
    unsigned long long value = 0;
    while (p < end && *p >= '0' && *p <= '9')
        value = value * 10 + static_cast<unsigned>(*p++ - '0');
    fields.startTime = value;
    return true;
}

bool readStat(int dirFd, std::vector<char>& buf, StatFields& fields)
{
    std::size_t length = 0;
    return readFileAt(dirFd, "stat", buf, length) && parseStat(buf.data(), length, fields);
}

bool hasEnded(char state)
{
    return state == 'Z' || state == 'X' || state == 'x';
}

// Reusable buffers of one snapshot, so that a process costs no allocation
// beyond its own entry.
struct Buffers
{
    std::vector<char> link = std::vector<char>(4096);
    std::vector<char> file = std::vector<char>(4096);
    std::string word;
};

// Fills entry from the process directory. False when the process is gone or
// has ended.
bool readProcess(int dirFd, unsigned fields, Buffers& b, ProcessEntry& entry)
{
    static const char deleted[] = " (deleted)";
    const std::size_t deletedLength = sizeof deleted - 1;

    std::size_t length = 0;
    if (readLinkAt(dirFd, "exe", b.link, length))
    {
        if (length > deletedLength && std::memcmp(b.link.data() + length - deletedLength, deleted, deletedLength) == 0)
            length -= deletedLength;
        entry.hasPath = true;
        entry.path.assign(b.link.data(), length);
        for (char& c : entry.path)
            if (c == '/')
                c = '\\';
        const std::size_t slash = entry.path.find_last_of('\\');
        entry.name.assign(entry.path, slash == std::string::npos ? 0 : slash + 1, std::string::npos);
    }

    bool hasFirstWord = false;
    if ((fields & ProcessCommandLines) || !entry.hasPath)
    {
        if (readFileAt(dirFd, "cmdline", b.file, length) && length > 0)
        {
            // Arguments end in a NUL each; a process that rewrote its argument
            // area may leave the last one unterminated.
            const char* p = b.file.data();
            const char* end = p + length;
            if (*(end - 1) == '\0')
                --end;
            bool first = true;
            entry.commandLine.clear();
            while (p <= end)
            {
                const char* stop = std::find(p, end, '\0');
                const std::size_t n = static_cast<std::size_t>(stop - p);
                if (first)
                {
                    hasFirstWord = true;
                    b.word.assign(p, n);
                    for (char& c : b.word)
                        if (c == '/')
                            c = '\\';
                    appendCommandLineWord(entry.commandLine, b.word.data(), n, true);
                    first = false;
                }
                else
                    appendCommandLineWord(entry.commandLine, p, n, false);
                p = stop + 1;
            }
            entry.hasCommandLine = true;
        }
    }

    const bool needStat = (fields & ProcessStartTimes) || !entry.hasPath;
    if (needStat)
    {
        StatFields stat;
        if (!readStat(dirFd, b.file, stat))
            return false;
        if (!entry.hasPath && !entry.hasCommandLine && hasEnded(stat.state))
            return false;
        entry.startTime = stat.startTime;
        if (!entry.hasPath)
        {
            // The first word's file name, unless the process renamed itself
            // there (then the kernel's name, which is kept to 15 characters,
            // is not the start of it).
            std::string fromWord;
            if (hasFirstWord)  // b.word: the first word, library form
            {
                const std::size_t slash = b.word.find_last_of('\\');
                fromWord.assign(b.word, slash == std::string::npos ? 0 : slash + 1, std::string::npos);
            }
            const bool wordFits =
                !fromWord.empty() && fromWord.compare(0, stat.comm.size(), stat.comm) == 0;
            entry.name = wordFits ? fromWord : stat.comm;
        }
    }
    if (!(fields & ProcessCommandLines))
    {
        entry.hasCommandLine = false;
        entry.commandLine.clear();
    }
    return true;
}

int openPidFd(long processId)
{
    return static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(processId), 0u));
}

// Whether the process that has the id now is the one of the entry: the same
// start time (kept by the host in ticks of 10 ms or so) and the same
// executable.
bool isSameProcess(const ProcessEntry& process)
{
    const std::string dir = "/proc/" + std::to_string(process.id);
    Descriptor dirFd(::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() < 0)
        return false;
    Buffers buffers;
    ProcessEntry now;
    if (!readProcess(dirFd.get(), ProcessStartTimes, buffers, now))
        return false;
    return (process.startTime == 0 || now.startTime == process.startTime) &&
           now.hasPath == process.hasPath && now.path == process.path;
}

bool killAndWait(int pidFd, int waitMilliseconds)
{
    if (::syscall(SYS_pidfd_send_signal, pidFd, SIGKILL, nullptr, 0u) != 0)
        return false;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(waitMilliseconds, 0));
    for (;;)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{pidFd, POLLIN, 0};
        const int rc = ::poll(&p, 1, static_cast<int>(std::max<long long>(left, 0)));
        if (rc >= 0 || errno != EINTR)
            break;
    }
    return true;
}

}  // namespace

bool snapshotProcesses(std::vector<ProcessEntry>& processes, unsigned fields, std::string* failure)
{
    processes.clear();
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr)
    {
        if (failure != nullptr)
            *failure = std::strerror(errno);
        return false;
    }
    std::vector<long> ids;
    while (const dirent* e = ::readdir(proc))
    {
        const char* n = e->d_name;
        if (*n < '1' || *n > '9')
            continue;
        long id = 0;
        for (; *n >= '0' && *n <= '9'; ++n)
            id = id * 10 + (*n - '0');
        if (*n == '\0')
            ids.push_back(id);
    }
    const int procFd = ::dirfd(proc);
    std::sort(ids.begin(), ids.end());
    processes.reserve(ids.size());
    Buffers buffers;
    char name[24];
    for (long id : ids)
    {
        std::snprintf(name, sizeof name, "%ld", id);
        Descriptor dirFd(::openat(procFd, name, O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (dirFd.get() < 0)
            continue;  // ended meanwhile
        processes.emplace_back();
        processes.back().id = id;
        if (!readProcess(dirFd.get(), fields, buffers, processes.back()))
            processes.pop_back();
    }
    ::closedir(proc);
    return true;
}

void prepareProcessQueries()
{
}

bool terminateProcess(long processId, int waitMilliseconds)
{
    if (processId <= 0)
        return false;
    Descriptor pidFd(openPidFd(processId));
    return pidFd.get() >= 0 && killAndWait(pidFd.get(), waitMilliseconds);
}

bool terminateProcess(const ProcessEntry& process, int waitMilliseconds)
{
    if (process.id <= 0)
        return false;
    Descriptor pidFd(openPidFd(process.id));
    if (pidFd.get() < 0)
        return false;
    // The handle holds whichever process had the id when it was opened; it is
    // the one of the snapshot when the id still shows that process now.
    if (!isSameProcess(process))
        return false;
    return killAndWait(pidFd.get(), waitMilliseconds);
}

}  // namespace platform
}  // namespace qvx
