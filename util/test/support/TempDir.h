#ifndef QVX_TEST_TEMP_DIR_H
#define QVX_TEST_TEMP_DIR_H

// Real files for tests: a fresh directory under the host's temporary directory,
// removed with everything in it when the object goes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace qvxtest {

class TempDir
{
public:
    TempDir()
    {
        const char* base = std::getenv("TMPDIR");
        std::string templ = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/qvx-XXXXXX";
        if (::mkdtemp(&templ[0]) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        _path = templ;
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::permissions(_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return _path; }
    // Host path of a name inside the directory.
    std::string operator/(const std::string& name) const { return _path + "/" + name; }

    static void write(const std::string& file, const std::string& contents)
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << contents;
        if (!out)
            throw std::runtime_error("cannot write " + file);
    }
    static std::string read(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static bool exists(const std::string& file) { return ::access(file.c_str(), F_OK) == 0; }
    // An executable shell script.
    static void script(const std::string& file, const std::string& body)
    {
        write(file, "#!/bin/sh\n" + body);
        ::chmod(file.c_str(), 0755);
    }

private:
    std::string _path;
};

// Sets an environment variable for a scope (or unsets it), restoring it after.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value) : _name(name)
    {
        if (const char* old = std::getenv(name))
        {
            _had = true;
            _old = old;
        }
        value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name, value.c_str()) {}
    ~ScopedEnv() { _had ? ::setenv(_name.c_str(), _old.c_str(), 1) : ::unsetenv(_name.c_str()); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string _name;
    bool _had = false;
    std::string _old;
};

}  // namespace qvxtest

#endif
