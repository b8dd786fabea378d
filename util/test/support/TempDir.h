#ifndef QVX_TEST_TEMP_DIR_H
#define QVX_TEST_TEMP_DIR_H

// Real files for tests: a fresh directory under /tmp, removed with everything
// in it at the end; scoped environment variables; what an exception carried.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "UnitTest.h"

namespace qvxtest {

class TempDir
{
public:
    TempDir() : _path("/tmp/qvx-XXXXXX") { ::mkdtemp(&_path[0]); }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::permissions(_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(_path, ec);
    }
    const std::string& path() const { return _path; }
    std::string operator/(const std::string& name) const { return _path + "/" + name; }

    static void write(const std::string& file, const std::string& contents, int mode = 0644)
    {
        std::ofstream(file, std::ios::binary) << contents;
        ::chmod(file.c_str(), mode);
    }
    static std::string read(const std::string& file)
    {
        std::ostringstream s;
        s << std::ifstream(file, std::ios::binary).rdbuf();
        return s.str();
    }
    static bool exists(const std::string& file) { return ::access(file.c_str(), F_OK) == 0; }

private:
    std::string _path;
};

// Sets (or, with nullptr, unsets) an environment variable for a scope.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value) : _name(name), _had(std::getenv(name) != nullptr)
    {
        if (_had)
            _old = std::getenv(name);
        value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name, value.c_str()) {}
    ~ScopedEnv() { _had ? ::setenv(_name.c_str(), _old.c_str(), 1) : ::unsetenv(_name.c_str()); }
private:
    std::string _name;
    bool _had;
    std::string _old;
};

// What the E that call throws carries: "KEY[p1|p2|...]", or its message;
// "no throw" when it throws nothing.
template <class E, class Call>
std::string thrown(Call&& call, bool message = false)
{
    try
    {
        call();
    }
    catch (const E& e)
    {
        std::string s = e.getKey() + "[";
        for (const std::string& p : e.getParameters())
            s += (s.back() == '[' ? "" : "|") + p;
        return message ? e.getMessage() : s + "]";
    }
    return "no throw";
}

// Sets "UNIT_TESTING" for a scope; constructing a UnitTest on entry and exit
// makes UnitTest::unitTesting() forget a remembered answer.
class UnitTestingSwitch : ScopedEnv
{
public:
    explicit UnitTestingSwitch(const char* value) : ScopedEnv("UNIT_TESTING", value) { Forget(); }
    ~UnitTestingSwitch() { Forget(); }

private:
    struct Forget : UnitTest
    {
        void run() override {}
    };
};

}  // namespace qvxtest

#endif
