#ifndef QVX_TEST_TEMP_DIR_H
#define QVX_TEST_TEMP_DIR_H

// Real files for tests: a fresh directory under /tmp, removed with everything
// in it at the end; scoped environment variables; what an exception carried.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "UnitTest.h"

namespace qvxtest {

struct TempDir
{
    TempDir() : _path("/tmp/qvx-XXXXXX") { ::mkdtemp(&_path[0]); }
    ~TempDir()
    {
        namespace fs = std::filesystem;
        std::error_code ec;  // a test may have left the directory read-only
        fs::permissions(_path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(_path, ec);
    }
    const std::string& path() const { return _path; }
    std::string operator/(const std::string& name) const { return _path + "/" + name; }
    // Makes the directory and any missing parents.
    void mkdir(const std::string& name) const { std::filesystem::create_directories(*this / name); }

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

    std::string _path;
};

// Sets (or, with nullptr, unsets) an environment variable for a scope.
struct ScopedEnv
{
    ScopedEnv(const char* name, const char* value) : _name(name), _had(std::getenv(name) != nullptr)
    {
        _old = _had ? std::getenv(name) : "";
        value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name, value.c_str()) {}
    ~ScopedEnv() { _had ? ::setenv(_name.c_str(), _old.c_str(), 1) : ::unsetenv(_name.c_str()); }

    std::string _name;
    bool _had;
    std::string _old;
};

// Sets "UNIT_TESTING" for a scope; constructing a UnitTest (the base on entry,
// Forget on exit) makes UnitTest::unitTesting() forget a remembered answer.
struct UnitTestingSwitch : ScopedEnv, UnitTest
{
    explicit UnitTestingSwitch(const char* value) : ScopedEnv("UNIT_TESTING", value) {}
    ~UnitTestingSwitch() { Forget(); }
    void run() override {}
    struct Forget : UnitTest
    {
        void run() override {}
    };
};

// Runs call with every descriptor but `spare` in use, so that opening a file fails.
template <class Call>
void withDescriptorsUsedUp(int spare, Call&& call)
{
    std::vector<int> held;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
        held.push_back(fd);
    for (; spare > 0 && !held.empty(); --spare, held.pop_back())
        ::close(held.back());
    call();
    for (int fd : held)
        ::close(fd);
}

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

}  // namespace qvxtest

#endif
