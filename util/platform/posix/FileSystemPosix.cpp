#include "FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <vector>

#include "DescriptorPosix.h"
#include "HostPath.h"

namespace qvx {
namespace platform {

namespace {

using posix::Descriptor;

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

// The path that symbolic links at path lead to, followed one by one (at most
// 40, as the kernel allows); the path itself when it is no link. False for a
// loop or an unreadable link.
bool followLinks(const std::string& path, std::string& target)
{
    target = path;
    for (int hops = 0; hops < 40; ++hops)
    {
        struct stat st;
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true;
        std::vector<char> buffer(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4095) + 1);
        const ssize_t n = ::readlink(target.c_str(), buffer.data(), buffer.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size())
            return false;
        const std::string link(buffer.data(), static_cast<std::size_t>(n));
        const std::size_t slash = target.find_last_of('/');
        target = (link[0] == '/' || slash == std::string::npos) ? link : target.substr(0, slash + 1) + link;
    }
    return false;
}

// A file written beside its final name and put in place only when complete:
// created under a fresh hidden name in the same directory, flushed to the disk,
// then renamed over the final name in one step. Until commit() has renamed it,
// the destructor removes it, so a failed copy leaves the directory as it was.
class NewFile
{
public:
    NewFile(const std::string& finalName, mode_t mode) : _finalName(finalName), _fd(-1)
    {
        const std::size_t slash = finalName.find_last_of('/');
        const std::string directory = slash == std::string::npos ? std::string() : finalName.substr(0, slash + 1);
        // Keep the name within the file system's limit for one component.
        const std::string base = finalName.substr(slash == std::string::npos ? 0 : slash + 1, 200);
        static std::atomic<unsigned long> counter{0};
        for (int attempt = 0; attempt < 100 && _fd < 0; ++attempt)
        {
            _name = directory + "." + base + ".qvx-" + std::to_string(::getpid()) + "-" +
                    std::to_string(counter.fetch_add(1));
            _fd = ::open(_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (_fd < 0 && errno != EEXIST)
                break;
        }
        if (_fd < 0)
            _name.clear();
    }
    ~NewFile()
    {
        if (_fd >= 0)
            ::close(_fd);
        if (!_name.empty())
            ::unlink(_name.c_str());
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    int descriptor() const { return _fd; }

    bool commit()
    {
        const int fd = _fd;
        _fd = -1;
        if (::fsync(fd) != 0)
        {
            ::close(fd);
            return false;
        }
        if (::close(fd) != 0 || ::rename(_name.c_str(), _finalName.c_str()) != 0)
            return false;
        _name.clear();
        // The rename itself reaches the disk with the directory. Best effort: the
        // copy is complete and in place whether or not this flush works.
        const std::size_t slash = _finalName.find_last_of('/');
        const std::string directory =
            slash == std::string::npos ? std::string(".") : (slash == 0 ? std::string("/") : _finalName.substr(0, slash));
        Descriptor dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() >= 0)
            ::fsync(dir.get());
        return true;
    }

private:
    const std::string _finalName;
    std::string _name;
    int _fd;
};

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
    if (hostTo.empty() || hostTo.back() == '/')
        return false;
    Descriptor in(::open(hostFrom.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat inStat;
    if (in.get() < 0 || ::fstat(in.get(), &inStat) != 0 || S_ISDIR(inStat.st_mode))
        return false;

    // The file that is written: the destination, or the file its symbolic link
    // names (existing or not), so that the link stays a link.
    std::string target;
    if (!followLinks(hostTo, target))
        return false;
    struct stat toStat;
    const bool replacing = ::stat(target.c_str(), &toStat) == 0;
    if (replacing)
    {
        // Devices, pipes and directories are never replaced by a file.
        if (!S_ISREG(toStat.st_mode))
            return false;
        if (toStat.st_dev == inStat.st_dev && toStat.st_ino == inStat.st_ino)
            return false;
    }

    // A copy replacing an existing file takes that file's mode (and owner, as far as
    // this process may give it); a new file takes the source's permission bits
    // under the process's umask.
    NewFile copy(target, replacing ? 0600 : (inStat.st_mode & 0777));
    if (copy.descriptor() < 0 || !copyContents(in.get(), copy.descriptor()))
        return false;
    if (replacing)
    {
        // Where the old owner cannot be given back, the copy stays the caller's
        // and never gets the set-user or set-group bits.
        const bool sameOwner = ::fchown(copy.descriptor(), toStat.st_uid, toStat.st_gid) == 0;
        if (::fchmod(copy.descriptor(), toStat.st_mode & (sameOwner ? 07777 : 0777)) != 0)
            return false;
    }
    return copy.commit();
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
