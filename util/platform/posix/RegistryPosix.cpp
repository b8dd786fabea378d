#include "Registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "Environment.h"

struct QvxRegistryValue
{
    unsigned type = 0;
    std::string name;  // as first written
    std::string data;
};

struct QvxRegistryKeyNode
{
    std::string path;                                // as first written
    std::map<std::string, QvxRegistryValue> values;  // by upper-case name
};

// Every key of the merged store, by canonical path.
struct QvxRegistryTree
{
    std::map<std::string, QvxRegistryKeyNode> keys;
};

// What the host's handle points at: a key of one state of the store.
struct QvxRegistryKey
{
    std::string path;  // canonical (upper-case) full path
    std::shared_ptr<const QvxRegistryTree> tree;
    const QvxRegistryKeyNode* node = nullptr;  // nullptr: a root with nothing in it
};

namespace qvx {
namespace platform {

namespace {

using Tree = QvxRegistryTree;

const char* const DEFAULT_STORE = "/etc/qvxutil/registry";
const char* const LOCAL_FILE = "local.reg";
constexpr off_t MAX_FILE_SIZE = 64 * 1024 * 1024;

std::string upper(const std::string& s)
{
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return u;
}

bool endsWithRegIgnoreCase(const char* name)
{
    const std::size_t n = std::strlen(name);
    return n > 4 && name[n - 4] == '.' && (name[n - 3] | 0x20) == 'r' && (name[n - 2] | 0x20) == 'e' &&
           (name[n - 1] | 0x20) == 'g';
}

struct FileStamp
{
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    timespec mtime{};
    timespec ctime{};

    explicit FileStamp(const struct stat& st = {})
        : dev(st.st_dev), ino(st.st_ino), size(st.st_size), mtime(st.st_mtim), ctime(st.st_ctim)
    {
    }
    bool operator==(const FileStamp& o) const
    {
        return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
               ctime.tv_nsec == o.ctime.tv_nsec;
    }
    bool operator!=(const FileStamp& o) const { return !(*this == o); }
};

struct ParsedFile
{
    FileStamp stamp;
    std::vector<RegistryEntry> entries;  // empty when the file was refused
};

// Reads a whole file of at most MAX_FILE_SIZE bytes. False and why on failure.
bool readFile(const std::string& path, std::string& bytes, struct stat* st, std::string& why)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
    {
        why = std::strerror(errno);
        return false;
    }
    struct stat own;
    if (st == nullptr)
        st = &own;
    bool ok = ::fstat(fd, st) == 0;
    if (!ok)
        why = std::strerror(errno);
    else if (!S_ISREG(st->st_mode) || st->st_size > MAX_FILE_SIZE)
    {
        why = "not a regular file of at most 64 MiB";
        ok = false;
    }
    if (ok)
    {
        bytes.resize(static_cast<std::size_t>(st->st_size));
        std::size_t done = 0;
        while (done < bytes.size())
        {
            const ssize_t n = ::read(fd, &bytes[done], bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        bytes.resize(done);  // a file that shrank while read is taken as read
    }
    ::close(fd);
    return ok;
}

// Reads and parses a registry file. False and "PATH line N: why" when it
// cannot.
bool readAndParse(const std::string& path, std::string& bytes, RegistryFileContents& contents, std::string& error)
{
    std::string why;
    std::size_t line = 0;
    if (readFile(path, bytes, nullptr, why) && parseRegistryFile(bytes.data(), bytes.size(), contents, line, why))
        return true;
    error = path + (line > 0 ? " line " + std::to_string(line) : std::string()) + ": " + why;
    return false;
}

void report(const std::string& file, std::size_t line, const std::string& why)
{
    if (line > 0)
        std::fprintf(stderr, "qvxUtil: registry file %s line %zu: %s; the file is skipped\n", file.c_str(), line,
                     why.c_str());
    else
        std::fprintf(stderr, "qvxUtil: registry file %s: %s; the file is skipped\n", file.c_str(), why.c_str());
}

// The key at path and every key above it.
QvxRegistryKeyNode& ensureKey(Tree& tree, const std::string& path)
{
    QvxRegistryKeyNode* node = nullptr;
    for (std::size_t end = path.find('\\');; end = path.find('\\', end + 1))
    {
        const std::string prefix = path.substr(0, end);
        auto it = tree.keys.try_emplace(upper(prefix)).first;
        if (it->second.path.empty())
            it->second.path = prefix;
        node = &it->second;
        if (end == std::string::npos)
            break;
    }
    return *node;
}

void apply(Tree& tree, const RegistryEntry& e)
{
    switch (e.operation)
    {
    case RegistryOperation::CreateKey:
        ensureKey(tree, e.key);
        break;
    case RegistryOperation::SetValue:
    {
        QvxRegistryValue& v = ensureKey(tree, e.key).values[upper(e.name)];
        if (v.name.empty())
            v.name = e.name;
        v.type = e.type;
        v.data = e.data;
        break;
    }
    case RegistryOperation::DeleteValue:
    {
        auto it = tree.keys.find(upper(e.key));
        if (it != tree.keys.end())
            it->second.values.erase(upper(e.name));
        break;
    }
    case RegistryOperation::DeleteKey:
    {
        const std::string path = upper(e.key);
        tree.keys.erase(path);
        const std::string below = path + '\\';
        auto first = tree.keys.lower_bound(below);
        auto last = first;
        while (last != tree.keys.end() && last->first.compare(0, below.size(), below) == 0)
            ++last;
        tree.keys.erase(first, last);
        break;
    }
    }
}

class Store
{
public:
    // The store as it is now. Call with _mutex held.
    std::shared_ptr<const Tree> current()
    {
        const std::string directory = registryStoreDirectory();
        struct stat st;
        const bool present = ::stat(directory.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        if (directory != _directory || !present || FileStamp(st) != _directoryStamp || filesChanged())
            reload(directory, present, FileStamp(st));
        return _tree;
    }

    std::mutex _mutex;
    std::unordered_set<const QvxRegistryKey*> _handles;

private:
    bool filesChanged() const
    {
        struct stat st;
        for (const auto& f : _files)
            if (::stat(f.first.c_str(), &st) != 0 || FileStamp(st) != f.second.stamp)
                return true;
        return false;
    }

    void reload(const std::string& directory, bool present, const FileStamp& directoryStamp)
    {
        std::map<std::string, ParsedFile> files;  // by host path: byte order of the names
        if (present)
        {
            if (DIR* dir = ::opendir(directory.c_str()))
            {
                while (const dirent* d = ::readdir(dir))
                    if (endsWithRegIgnoreCase(d->d_name))
                        files.emplace(directory + "/" + d->d_name, ParsedFile());
                ::closedir(dir);
            }
        }
        bool changed = directory != _directory || files.size() != _files.size();
        for (auto it = files.begin(); it != files.end();)
        {
            struct stat st;
            if (::stat(it->first.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            {
                it = files.erase(it);
                changed = true;
                continue;
            }
            auto old = _files.find(it->first);
            if (old != _files.end() && old->second.stamp == FileStamp(st))
                it->second = std::move(old->second);
            else
            {
                load(it->first, it->second);
                changed = true;
            }
            ++it;
        }
        _files = std::move(files);
        _directory = directory;
        _directoryStamp = present ? directoryStamp : FileStamp();
        if (changed || !_tree)
        {
            auto tree = std::make_shared<Tree>();
            for (const auto& f : _files)
                for (const RegistryEntry& e : f.second.entries)
                    apply(*tree, e);
            _tree = std::move(tree);
        }
    }

    static void load(const std::string& path, ParsedFile& file)
    {
        std::string bytes, why;
        struct stat st;
        RegistryFileContents contents;
        std::size_t line = 0;
        if (!readFile(path, bytes, &st, why))
        {
            if (::stat(path.c_str(), &st) != 0)
                st = {};
        }
        else if (parseRegistryFile(bytes.data(), bytes.size(), contents, line, why))
            file.entries = std::move(contents.entries);
        file.stamp = FileStamp(st);
        if (!why.empty())
            report(path, line, why);
    }

    std::string _directory;
    FileStamp _directoryStamp;
    std::map<std::string, ParsedFile> _files;
    std::shared_ptr<const Tree> _tree;
};

Store& store()
{
    static Store* s = new Store;  // never destroyed: handles may outlive static destruction
    return *s;
}

// The canonical path of a handle, when it is a root or a live key.
bool handlePath(Store& s, HKEY key, std::string& path, const QvxRegistryKey** open)
{
    const char* root = registryRootName(key);
    if (*root != '\0')
    {
        path = root;
        *open = nullptr;
        return true;
    }
    if (s._handles.count(key) == 0)
        return false;
    path = key->path;
    *open = key;
    return true;
}

bool writeStoreFile(const std::string& directory, const std::string& name, const std::string& bytes,
                    std::string& error)
{
    std::string tmp = directory + "/." + name + ".XXXXXX";
    const int fd = ::mkstemp(&tmp[0]);
    if (fd < 0)
    {
        error = "cannot write in " + directory + ": " + std::strerror(errno);
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size())
    {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    const bool written = done == bytes.size() && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    const int saved = errno;
    ::close(fd);
    if (!written || ::rename(tmp.c_str(), (directory + "/" + name).c_str()) != 0)
    {
        error = "cannot write " + directory + "/" + name + ": " + std::strerror(written ? errno : saved);
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

bool makeDirectories(const std::string& path, std::string& error)
{
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1))
    {
        const std::string prefix = path.substr(0, end);
        if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST)
        {
            error = "cannot make " + prefix + ": " + std::strerror(errno);
            return false;
        }
        if (end == std::string::npos)
            return true;
    }
}

}  // namespace

std::string registryStoreDirectory()
{
    std::string directory;
    if (!getEnvironmentVariable("QVX_REGISTRY_DIR", directory) || directory.empty())
        directory = DEFAULT_STORE;
    return directory;
}

long openRegistryKey(HKEY root, const std::string& subKey, HKEY& key)
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s._mutex);
    std::string path;
    const QvxRegistryKey* parent;
    if (!handlePath(s, root, path, &parent))
        return REGISTRY_INVALID_HANDLE;
    std::string below = subKey;
    if (!below.empty() && below.back() == '\\')
        below.pop_back();
    if (!below.empty())
    {
        if (below.front() == '\\' || below.find("\\\\") != std::string::npos)
            return REGISTRY_NOT_FOUND;
        path += '\\';
        path += upper(below);
    }
    std::shared_ptr<const Tree> tree = s.current();
    auto it = tree->keys.find(path);
    const bool isRoot = below.empty() && parent == nullptr;
    if (it == tree->keys.end() && !isRoot)
        return REGISTRY_NOT_FOUND;
    auto* handle = new QvxRegistryKey{std::move(path), tree, it == tree->keys.end() ? nullptr : &it->second};
    s._handles.insert(handle);
    key = handle;
    return REGISTRY_SUCCESS;
}

long closeRegistryKey(HKEY key)
{
    if (*registryRootName(key) != '\0')
        return REGISTRY_SUCCESS;
    Store& s = store();
    std::lock_guard<std::mutex> lock(s._mutex);
    if (s._handles.erase(key) == 0)
        return REGISTRY_INVALID_HANDLE;
    delete key;
    return REGISTRY_SUCCESS;
}

long queryRegistryValue(HKEY key, const std::string& name, unsigned& type, unsigned char* data, std::size_t& size)
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s._mutex);
    std::string path;
    const QvxRegistryKey* open;
    if (!handlePath(s, key, path, &open))
        return REGISTRY_INVALID_HANDLE;
    std::shared_ptr<const Tree> tree;
    const QvxRegistryKeyNode* node;
    if (open != nullptr)
        node = open->node;
    else
    {
        tree = s.current();
        auto it = tree->keys.find(path);
        node = it == tree->keys.end() ? nullptr : &it->second;
    }
    if (node == nullptr)
        return REGISTRY_NOT_FOUND;
    auto v = node->values.find(upper(name));
    if (v == node->values.end())
        return REGISTRY_NOT_FOUND;
    type = v->second.type;
    const std::size_t room = size;
    size = v->second.data.size();
    if (data == nullptr)
        return REGISTRY_SUCCESS;
    if (room < size)
        return REGISTRY_MORE_DATA;
    std::memcpy(data, v->second.data.data(), size);
    return REGISTRY_SUCCESS;
}

bool setRegistryValue(HKEY root, const std::string& subKey, const std::string& name, unsigned type,
                      const std::string& data, std::string& error)
{
    const char* rootName = registryRootName(root);
    HKEY checkedRoot;
    std::string checkedSubKey;
    if (*rootName == '\0' || !splitRegistryKeyPath(std::string(rootName) + "\\" + subKey, checkedRoot,
                                                   checkedSubKey) || checkedSubKey.empty())
    {
        error = "a value is set under a key below a predefined root";
        return false;
    }
    const std::string directory = registryStoreDirectory();
    if (!makeDirectories(directory, error))
        return false;
    const std::string localPath = directory + "/" + LOCAL_FILE;
    RegistryFileContents contents;
    std::string bytes;
    if (::access(localPath.c_str(), F_OK) == 0 && !readAndParse(localPath, bytes, contents, error))
    {
        error += "; it is left as it is";
        return false;
    }
    contents.version = RegistryFileVersion::Version5;
    RegistryEntry entry;
    entry.operation = RegistryOperation::SetValue;
    entry.key = std::string(rootName) + "\\" + checkedSubKey;
    entry.name = name;
    entry.type = type;
    entry.data = data;
    // Earlier settings of this value are overridden by the new one: drop them.
    const std::string key = upper(entry.key), valueName = upper(name);
    std::vector<RegistryEntry> kept;
    kept.reserve(contents.entries.size() + 1);
    for (RegistryEntry& e : contents.entries)
        if ((e.operation != RegistryOperation::SetValue && e.operation != RegistryOperation::DeleteValue) ||
            upper(e.key) != key || upper(e.name) != valueName)
            kept.push_back(std::move(e));
    kept.push_back(std::move(entry));
    contents.entries = std::move(kept);
    return writeStoreFile(directory, LOCAL_FILE, formatRegistryFile(contents), error);
}

bool importRegistryFile(const std::string& hostPath, std::string& error)
{
    const std::size_t slash = hostPath.rfind('/');
    const std::string name = slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
    if (!endsWithRegIgnoreCase(name.c_str()))
    {
        error = hostPath + ": the name does not end in .reg";
        return false;
    }
    std::string bytes;
    RegistryFileContents contents;
    if (!readAndParse(hostPath, bytes, contents, error))
        return false;
    const std::string directory = registryStoreDirectory();
    return makeDirectories(directory, error) && writeStoreFile(directory, name, bytes, error);
}

bool exportRegistry(const std::string& keyPath, RegistryFileContents& contents, std::string& error)
{
    std::string prefix;
    if (!keyPath.empty())
    {
        HKEY root;
        std::string subKey;
        if (!splitRegistryKeyPath(keyPath, root, subKey))
        {
            error = keyPath + ": not a registry key path";
            return false;
        }
        prefix = upper(std::string(registryRootName(root)) + (subKey.empty() ? "" : "\\" + subKey));
    }
    Store& s = store();
    std::shared_ptr<const Tree> tree;
    {
        std::lock_guard<std::mutex> lock(s._mutex);
        tree = s.current();
    }
    contents = RegistryFileContents();
    contents.version = RegistryFileVersion::Regedit4;
    const std::string below = prefix + '\\';
    for (auto it = prefix.empty() ? tree->keys.begin() : tree->keys.lower_bound(prefix); it != tree->keys.end();
         ++it)
    {
        if (!prefix.empty() && it->first.compare(0, prefix.size(), prefix) != 0)
            break;
        if (!prefix.empty() && it->first != prefix && it->first.compare(0, below.size(), below) != 0)
            continue;  // "A B" sorts between "A" and "A\B"
        if (it->first.find('\\') == std::string::npos && it->second.values.empty())
            continue;  // a root holding nothing itself: its keys say it all
        RegistryEntry key;
        key.key = it->second.path;
        contents.entries.push_back(key);
        for (const auto& v : it->second.values)
        {
            RegistryEntry value;
            value.operation = RegistryOperation::SetValue;
            value.key = it->second.path;
            value.name = v.second.name;
            value.type = v.second.type;
            value.data = v.second.data;
            contents.entries.push_back(std::move(value));
        }
    }
    if (!prefix.empty() && contents.entries.empty() && prefix.find('\\') != std::string::npos)
    {
        error = keyPath + ": no such key";
        return false;
    }
    return true;
}

}  // namespace platform
}  // namespace qvx
