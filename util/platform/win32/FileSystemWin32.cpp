// The Windows file calls behind the file facility. Paths are the library's
// own (HostPath.h is the identity here).
#include "FileSystem.h"

#include <windows.h>

#include <atomic>
#include <string>

#include "HostPath.h"

namespace qvx {
namespace platform {

namespace {

bool attributes(const std::string& path, DWORD& value)
{
    if (path.empty())
        return false;
    value = ::GetFileAttributesA(toHostPath(path).c_str());
    return value != INVALID_FILE_ATTRIBUTES;
}

// Closes a search handle on every path.
class Search
{
public:
    Search(const std::string& pattern, WIN32_FIND_DATAA& data)
        : _handle(::FindFirstFileA(pattern.c_str(), &data))
    {
    }
    ~Search()
    {
        if (_handle != INVALID_HANDLE_VALUE)
            ::FindClose(_handle);
    }
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;
    bool found() const { return _handle != INVALID_HANDLE_VALUE; }
    bool next(WIN32_FIND_DATAA& data) { return ::FindNextFileA(_handle, &data) != FALSE; }

private:
    HANDLE _handle;
};

}  // namespace

bool canOpenForReading(const std::string& path)
{
    DWORD a = 0;
    if (!attributes(path, a) || (a & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    // Windows keeps no permission bits to read: the file is opened for reading
    // (sharing everything, so nobody else is disturbed) and closed at once.
    const HANDLE file = ::CreateFileA(toHostPath(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(file);
    return true;
}

bool isDirectory(const std::string& path)
{
    DWORD a = 0;
    return attributes(path, a) && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool canEnterDirectory(const std::string& path)
{
    // The process's working directory is shared by all its threads, so it is
    // not changed to find out: a directory can be entered when its entries
    // can be listed.
    if (!isDirectory(path))
        return false;
    std::string pattern = toHostPath(path);
    if (pattern.back() != '\\' && pattern.back() != '/')
        pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA data;
    Search search(pattern, data);
    return search.found();
}

bool getWorkingDirectory(std::size_t maxLength, std::string& directory)
{
    if (maxLength == 0 || maxLength > MAXDWORD)
        return false;
    std::string buffer(maxLength, '\0');
    const DWORD length = ::GetCurrentDirectoryA(static_cast<DWORD>(maxLength), &buffer[0]);
    if (length == 0 || length >= maxLength)  // failed, or the size it would need
        return false;
    buffer.resize(length);
    directory = fromHostPath(buffer);
    return true;
}

bool copyFile(const std::string& from, const std::string& to)
{
    if (from.empty() || to.empty())
        return false;
    const std::string source = toHostPath(from), target = toHostPath(to);
    DWORD a = 0;
    if (attributes(to, a) && (a & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    // Nothing is lost on failure: the copy goes to a new hidden file beside
    // the target (".<name>.qvx-<process>-<n>"), is flushed, and only then
    // replaces the target in one step; on any failure it is removed. CopyFile
    // refuses a directory as source; a file onto itself is refused first.
    if (::lstrcmpiA(source.c_str(), target.c_str()) == 0)
        return false;
    const std::size_t separator = target.find_last_of("\\/:");
    const std::string directory = separator == std::string::npos ? std::string() : target.substr(0, separator + 1);
    const std::string base = target.substr(separator == std::string::npos ? 0 : separator + 1);
    static std::atomic<unsigned long> counter{0};
    const std::string temporary = directory + "." + base + ".qvx-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                  std::to_string(counter.fetch_add(1));
    if (!::CopyFileA(source.c_str(), temporary.c_str(), TRUE))
        return false;
    ::SetFileAttributesA(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!::MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        ::DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}

bool deleteFile(const std::string& path)
{
    return !path.empty() && ::DeleteFileA(toHostPath(path).c_str()) != FALSE;
}

std::vector<std::string> findFiles(const std::string& pattern)
{
    std::vector<std::string> names;
    const std::string host = toHostPath(pattern);
    const std::size_t separator = host.find_last_of("\\/:");
    const std::string namePattern = separator == std::string::npos ? host : host.substr(separator + 1);
    if (namePattern.empty())
        return names;
    WIN32_FIND_DATAA data;
    Search search(host, data);
    if (!search.found())
        return names;
    // The system also matches names by their short 8.3 forms; only the long
    // names that match by the rules of matchesWildcard are taken.
    do
    {
        if (matchesWildcard(namePattern, data.cFileName))
            names.emplace_back(data.cFileName);
    } while (search.next(data));
    return names;
}

}  // namespace platform
}  // namespace qvx
