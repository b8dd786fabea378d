#ifndef QVX_TEST_PROCESS_COPIES_H
#define QVX_TEST_PROCESS_COPIES_H

// Real processes for tests: copies of the sleeper program (QVX_SLEEPER, built
// beside the tests) under names and directories of a test's choosing, all
// killed when the object goes.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Process.h"
#include "ProcessTable.h"
#include "TempDir.h"

namespace qvxtest {

class ProcessCopies
{
public:
    ProcessCopies() { ::chmod(_dir.path().c_str(), 0755); }
    ~ProcessCopies()
    {
        for (long id : _started)
            qvx::platform::terminateProcess(id, 2000);
    }
    ProcessCopies(const ProcessCopies&) = delete;
    ProcessCopies& operator=(const ProcessCopies&) = delete;

    // Host path of a fresh copy at relativePath (directories made as needed).
    std::string copy(const std::string& relativePath)
    {
        namespace fs = std::filesystem;
        const fs::path target = fs::path(_dir.path()) / relativePath;
        fs::create_directories(target.parent_path());
        for (fs::path p = target.parent_path(); p != fs::path(_dir.path()); p = p.parent_path())
            ::chmod(p.c_str(), 0755);
        fs::copy_file(QVX_SLEEPER, target, fs::copy_options::overwrite_existing);
        ::chmod(target.c_str(), 0755);
        return target.string();
    }

    // Starts a program with a command line (library forms); its id, or -1.
    long start(const std::string& program, const std::string& commandLine)
    {
        long id = -1;
        if (qvx::platform::startProgram(program, commandLine, "", &id) != 0)
            return -1;
        _started.push_back(id);
        return id;
    }

    // Copies and starts: command line "<library path>" + arguments.
    long startCopy(const std::string& relativePath, const std::string& arguments = "")
    {
        const std::string path = libraryForm(copy(relativePath));
        return start(path, "\"" + path + "\"" + (arguments.empty() ? "" : " " + arguments));
    }

    void adopt(long id) { _started.push_back(id); }
    const std::string& dir() const { return _dir.path(); }
    static std::string libraryForm(std::string hostPath)
    {
        for (char& c : hostPath)
            if (c == '/')
                c = '\\';
        return hostPath;
    }

private:
    TempDir _dir;
    std::vector<long> _started;
};

// Waits up to two seconds for a condition that another process makes true.
template <class Condition>
bool eventually(Condition condition)
{
    for (int i = 0; i < 200; ++i)
    {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

}  // namespace qvxtest

#endif
