#include "FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "HostPath.h"

namespace qvx {
namespace platform {

namespace {

class Descriptor
{
public:
    explicit Descriptor(int fd) : _fd(fd) {}
    ~Descriptor()
    {
        if (_fd >= 0)
            ::close(_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return _fd; }
    bool release()  // closes now and reports whether the close worked
    {
        const int fd = _fd;
        _fd = -1;
        return ::close(fd) == 0;
    }

private:
    int _fd;
};

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0)
    {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool copyContents(int in, int out)
{
    // The kernel copies without a trip through user space where it can.
    for (;;)
    {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n == 0)
            return true;
        if (n > 0)
            continue;
        if (errno == EINTR)
            continue;
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)
            break;
        return false;
    }
    static const std::size_t bufferSize = 1 << 16;
    std::vector<char> buffer(bufferSize);
    for (;;)
    {
        const ssize_t n = ::read(in, buffer.data(), bufferSize);
        if (n == 0)
            return true;
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (!writeAll(out, buffer.data(), static_cast<std::size_t>(n)))
            return false;
    }
}

}  // namespace

bool canOpenForReading(const std::string& path)
{
    const std::string host = toHostPath(path);
    struct stat st;
    if (host.empty() || ::stat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    return ::faccessat(AT_FDCWD, host.c_str(), R_OK, AT_EACCESS) == 0;
}

bool isDirectory(const std::string& path)
{
    const std::string host = toHostPath(path);
    struct stat st;
    return !host.empty() && ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool canEnterDirectory(const std::string& path)
{
    const std::string host = toHostPath(path);
    if (host.empty())
        return false;
    Descriptor kept(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (kept.get() < 0)
    {
        // The working directory cannot be kept: answer without leaving it.
        struct stat st;
        return ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
               ::access(host.c_str(), X_OK) == 0;
    }
    const bool entered = ::chdir(host.c_str()) == 0;
    if (::fchdir(kept.get()) != 0)
        return false;
    return entered;
}

bool getWorkingDirectory(std::size_t maxLength, std::string& directory)
{
    if (maxLength == 0)
        return false;
    std::vector<char> buffer(maxLength);
    if (::getcwd(buffer.data(), buffer.size()) == nullptr)
        return false;
    directory = fromHostPath(buffer.data());
    return true;
}

bool copyFile(const std::string& from, const std::string& to)
{
    const std::string hostFrom = toHostPath(from);
    const std::string hostTo = toHostPath(to);
    Descriptor in(::open(hostFrom.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat inStat;
    if (in.get() < 0 || ::fstat(in.get(), &inStat) != 0 || S_ISDIR(inStat.st_mode))
        return false;
    // Not truncated at open: the target may turn out to be the source itself.
    Descriptor out(::open(hostTo.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, inStat.st_mode & 0777));
    struct stat outStat;
    if (out.get() < 0 || ::fstat(out.get(), &outStat) != 0)
        return false;
    if (outStat.st_dev == inStat.st_dev && outStat.st_ino == inStat.st_ino)
        return false;
    if (::ftruncate(out.get(), 0) != 0 || !copyContents(in.get(), out.get()))
        return false;
    return out.release();
}

bool deleteFile(const std::string& path)
{
    const std::string host = toHostPath(path);
    return !host.empty() && ::unlink(host.c_str()) == 0;
}

std::vector<std::string> findFiles(const std::string& pattern)
{
    std::vector<std::string> names;
    const std::string host = toHostPath(pattern);
    const std::size_t slash = host.find_last_of('/');
    const std::string directory =
        slash == std::string::npos ? std::string(".") : (slash == 0 ? std::string("/") : host.substr(0, slash));
    const std::string namePattern = slash == std::string::npos ? host : host.substr(slash + 1);
    if (namePattern.empty())
        return names;
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = ::readdir(dir))
        if (matchesWildcard(namePattern, entry->d_name))
            names.emplace_back(entry->d_name);
    ::closedir(dir);
    return names;
}

}  // namespace platform
}  // namespace qvx
