// The win32 host layer under Windows (or Wine): processes started with exact
// arguments, the file calls on Windows paths, the environment block and the
// real Winsock start-up, the process table, and the FTDI driver on a machine
// without FTD2XX.DLL. The program is its own child: started with --child it
// writes its working directory and arguments to a file and exits with 7;
// started with --sleep it waits to be ended (a minute at most).
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Environment.h"
#include "FileSystem.h"
#include "FtdiDriver.h"
#include "HostPath.h"
#include "Process.h"
#include "ProcessTable.h"
#include "Socket.h"

namespace host = qvx::platform;

namespace {

std::string selfPath()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// A fresh directory under the system's temporary directory, removed at the end.
struct WinTempDir
{
    WinTempDir()
    {
        char base[MAX_PATH] = {}, name[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, base);
        ::GetTempFileNameA(base, "qvx", 0, name);  // creates a file: made a directory below
        ::DeleteFileA(name);
        ::CreateDirectoryA(name, nullptr);
        path = name;
    }
    ~WinTempDir()
    {
        for (const std::string& f : host::findFiles(path + "\\*"))
            if (f != "." && f != "..")
                ::DeleteFileA((path + "\\" + f).c_str());
        ::RemoveDirectoryA(path.c_str());
    }
    std::string operator/(const std::string& name) const { return path + "\\" + name; }
    std::string path;
};

void write(const std::string& file, const std::string& text)
{
    std::ofstream(file, std::ios::binary) << text;
}

std::string read(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(HostLayerWin32Test, PathRulesAreTheIdentity)
{
    EXPECT_EQ("C:\\a\\notepad.exe.", host::toHostPath("C:\\a\\notepad.exe."));
    EXPECT_EQ("C:\\a\\b", host::fromHostPath("C:\\a\\b"));
    EXPECT_EQ(std::vector<std::string>{"x.exe"}, host::executableCandidates("x.exe"));
    EXPECT_STREQ(";", host::searchPathDelimiters());
}

TEST(HostLayerWin32Test, StartedProgramGetsExactArgumentsDirectoryAndExitCode)
{
    WinTempDir dir;
    const std::string out = dir / "args.txt";
    const std::vector<std::string> args{"self", "--child", out, "a b", "", "say \"hi\"", "tail\\", "c:\\x y\\",
                                        "\\\\server\\share"};
    long id = 0;
    ASSERT_EQ(0, host::startProcess(selfPath(), args, dir.path, host::ProcessCollection::Caller, &id));
    int code = -1;
    ASSERT_TRUE(host::waitForProcess(id, code));
    EXPECT_EQ(7, code);
    std::string expected = dir.path + "\n";
    for (std::size_t i = 1; i < args.size(); ++i)
        expected += "[" + args[i] + "]";
    EXPECT_EQ(expected, read(out));
    EXPECT_FALSE(host::waitForProcess(id, code));  // collected once only

    // Found on PATH by its bare name; failures are reported by the call.
    const std::string self = selfPath();
    const std::string directory = self.substr(0, self.find_last_of('\\'));
    const std::string name = self.substr(self.find_last_of('\\') + 1);
    std::string oldPath;
    host::getEnvironmentVariable("PATH", oldPath);
    ::SetEnvironmentVariableA("PATH", ("C:\\nonexistent;;" + directory).c_str());
    EXPECT_EQ(self, host::findExecutable(name));
    ::SetEnvironmentVariableA("PATH", oldPath.c_str());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              host::startProcess("C:\\nonexistent\\none.exe", {"none"}, "", host::ProcessCollection::Library, nullptr));
    EXPECT_NE(0, host::startProcess(self, {"self"}, dir / "missing", host::ProcessCollection::Library, nullptr));
}

TEST(HostLayerWin32Test, RunProcessCollectsBoundedOutputAndEndsWithATimeLimit)
{
    std::string output;
    int code = -1;
    ASSERT_EQ(0, host::runProcess(selfPath(), {"self", "--print", "3000"}, 100, 20000, output, code));
    EXPECT_EQ(5, code);
    EXPECT_EQ(std::string(100, 'x'), output);  // the rest was read and dropped
    ASSERT_EQ(0, host::runProcess(selfPath(), {"self", "--print", "10"}, 100, 20000, output, code));
    EXPECT_EQ(std::string(5, 'x') + std::string(5, 'y'), output);  // both streams, in one pipe
    EXPECT_EQ(ERROR_TIMEOUT, host::runProcess(selfPath(), {"self", "--sleep"}, 100, 300, output, code));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, host::runProcess("C:\\nonexistent\\x.exe", {"x"}, 10, 100, output, code));
}

TEST(HostLayerWin32Test, FileCallsOnWindowsPaths)
{
    WinTempDir dir;
    write(dir / "One.TXT", "1");
    write(dir / "two.txt", "22");
    write(dir / "three", "333");
    ::CreateDirectoryA((dir / "sub").c_str(), nullptr);

    std::vector<std::string> found = host::findFiles(dir / "*.txt");
    std::sort(found.begin(), found.end());
    EXPECT_EQ((std::vector<std::string>{"One.TXT", "two.txt"}), found);
    found = host::findFiles(dir / "t*.*");  // ".*" takes a name without a dot too
    std::sort(found.begin(), found.end());
    EXPECT_EQ((std::vector<std::string>{"three", "two.txt"}), found);
    found = host::findFiles(dir / "*");
    EXPECT_EQ(6u, found.size());  // ".", "..", three files, one directory
    EXPECT_TRUE(host::findFiles(dir / "missing\\*").empty());

    EXPECT_TRUE(host::canOpenForReading(dir / "one.txt"));
    EXPECT_FALSE(host::canOpenForReading(dir / "sub"));
    EXPECT_FALSE(host::canOpenForReading(dir / "none"));
    EXPECT_TRUE(host::isDirectory(dir / "sub"));
    EXPECT_TRUE(host::canEnterDirectory(dir / "sub"));
    EXPECT_FALSE(host::canEnterDirectory(dir / "three"));
    EXPECT_TRUE(host::isDirectory(dir / "sub."));  // the system drops a trailing dot

    EXPECT_TRUE(host::copyFile(dir / "two.txt", dir / "copy"));
    EXPECT_EQ("22", read(dir / "copy"));
    EXPECT_TRUE(host::copyFile(dir / "three", dir / "copy"));  // replaces
    EXPECT_EQ("333", read(dir / "copy"));
    EXPECT_FALSE(host::copyFile(dir / "copy", dir / "copy"));
    EXPECT_FALSE(host::copyFile(dir / "sub", dir / "x"));
    EXPECT_FALSE(host::copyFile(dir / "none", dir / "x"));
    EXPECT_TRUE(host::deleteFile(dir / "copy"));
    EXPECT_FALSE(host::deleteFile(dir / "copy"));
    EXPECT_FALSE(host::deleteFile(dir / "sub"));

    std::string cwd;
    ASSERT_TRUE(host::getWorkingDirectory(MAX_PATH, cwd));
    EXPECT_FALSE(host::getWorkingDirectory(cwd.size(), cwd));  // no room for the terminator
    EXPECT_TRUE(host::getWorkingDirectory(cwd.size() + 1, cwd));
}

TEST(HostLayerWin32Test, EnvironmentNamesIgnoreCaseAndKeepEmptyValues)
{
    ::SetEnvironmentVariableA("QVX_Win32_Probe", "v");
    std::string value;
    ASSERT_TRUE(host::getEnvironmentVariable("qvx_win32_PROBE", value));
    EXPECT_EQ("v", value);
    ::SetEnvironmentVariableA("QVX_Win32_Probe", "");
    EXPECT_TRUE(host::getEnvironmentVariable("QVX_WIN32_PROBE", value));
    EXPECT_EQ("", value);
    ::SetEnvironmentVariableA("QVX_Win32_Probe", nullptr);
    EXPECT_FALSE(host::getEnvironmentVariable("QVX_WIN32_PROBE", value));
    EXPECT_EQ(std::vector<std::string>{"temp"}, host::tempDirectoryVariables());
}

TEST(HostLayerWin32Test, WinsockStartupGrantsWhatItHasAndCountsUsers)
{
    const int users = host::socketLibraryUsers();
    std::uint16_t granted = 0;
    ASSERT_EQ(0, host::socketLibraryStartup(0x0202, granted));
    EXPECT_EQ(0x0202, granted);
    ASSERT_EQ(0, host::socketLibraryStartup(0x0101, granted));
    EXPECT_EQ(0x0101, granted);
    EXPECT_EQ(users + 2, host::socketLibraryUsers());
    EXPECT_EQ(WSAVERNOTSUPPORTED, host::socketLibraryStartup(0x0000, granted));
    EXPECT_EQ(users + 2, host::socketLibraryUsers());

    // A send to a closed socket reports Winsock's own code.
    const host::SocketHandle s = host::socketCreateTcp();
    ASSERT_NE(host::INVALID_SOCKET_HANDLE, s);
    ASSERT_EQ(0, host::socketClose(s));
    EXPECT_EQ(-1, host::socketSend(s, "x", 1));
    EXPECT_EQ(WSAENOTSOCK, host::socketLastError());
    std::string text;
    EXPECT_TRUE(host::socketSystemErrorText(WSAECONNREFUSED, text));
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find('\n'), std::string::npos);

    EXPECT_EQ(0, host::socketLibraryCleanup());
    EXPECT_EQ(0, host::socketLibraryCleanup());
    EXPECT_EQ(users, host::socketLibraryUsers());
    EXPECT_EQ(0, host::socketLibraryCleanup());  // nothing left of ours: no effect
    EXPECT_EQ(users, host::socketLibraryUsers());
}

TEST(HostLayerWin32Test, ProcessTableShowsAndEndsAStartedProgram)
{
    const std::string self = selfPath();
    const std::string line = "\"" + self + "\" --sleep \"two words\" \"say \\\"hi\\\"\"";
    EXPECT_EQ((std::vector<std::string>{self, "--sleep", "two words", "say \"hi\""}), host::splitCommandLine(line));
    long id = 0;
    ASSERT_EQ(0, host::startProgram(self, line, "", &id));

    std::vector<host::ProcessEntry> processes;
    ASSERT_TRUE(host::snapshotProcesses(processes));
    EXPECT_TRUE(std::is_sorted(processes.begin(), processes.end(),
                               [](const host::ProcessEntry& a, const host::ProcessEntry& b) { return a.id < b.id; }));
    const auto child = std::find_if(processes.begin(), processes.end(),
                                    [&](const host::ProcessEntry& p) { return p.id == id; });
    ASSERT_NE(processes.end(), child);
    EXPECT_EQ(self.substr(self.find_last_of('\\') + 1), child->name);
    EXPECT_TRUE(child->hasPath);
    EXPECT_EQ(self, child->path);
    // Command lines come from WMI. Wine's Win32_Process gives only the asking
    // process its own; Windows gives every one the caller may read.
    if (child->hasCommandLine)
    {
        EXPECT_EQ(line, child->commandLine);
    }
    const auto me = std::find_if(processes.begin(), processes.end(),
                                 [](const host::ProcessEntry& p) { return p.id == long(::GetCurrentProcessId()); });
    ASSERT_NE(processes.end(), me);
    EXPECT_TRUE(me->hasCommandLine);
    EXPECT_EQ(::GetCommandLineA(), me->commandLine);
    EXPECT_NE(0u, child->startTime);

    host::ProcessEntry later = *child;
    later.startTime += 1;  // the same id, another process: left alone
    EXPECT_FALSE(host::terminateProcess(later, 1000));
    EXPECT_TRUE(host::terminateProcess(*child, 5000));
    ASSERT_TRUE(host::snapshotProcesses(processes, host::ProcessNamesAndPaths));
    for (const host::ProcessEntry& p : processes)
        EXPECT_FALSE(p.id == id && p.path == self) << "still running";
}

TEST(HostLayerWin32Test, FtdiDriverWithoutTheDllFindsNoDevice)
{
    host::FtdiDriver& driver = host::hostFtdiDriver();
    void* handle = reinterpret_cast<void*>(1);
    EXPECT_EQ(2u, driver.openByDescription("Any Device", &handle));  // "device not found"
    EXPECT_EQ(nullptr, handle);
    std::uint32_t count = 7;
    EXPECT_EQ(1u, driver.queueStatus(nullptr, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(6u, driver.read(nullptr, nullptr, 4, &count));
    EXPECT_EQ(1u, driver.close(nullptr));
    host::FtdiBusListing listing;
    listing.unreadable = 3;
    EXPECT_EQ(0u, host::listFtdiDevices(listing));
    EXPECT_TRUE(listing.devices.empty());
    EXPECT_EQ(0u, listing.unreadable);
}

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--print")
    {
        // Half the count to standard output, half to standard error.
        const int n = std::atoi(argv[2]);
        std::fputs(std::string(static_cast<std::size_t>(n / 2), 'x').c_str(), stdout);
        std::fflush(stdout);
        std::fputs(std::string(static_cast<std::size_t>(n - n / 2), 'y').c_str(), stderr);
        return 5;
    }
    if (argc >= 2 && std::string(argv[1]) == "--sleep")
    {
        ::Sleep(60000);
        return 0;
    }
    if (argc >= 3 && std::string(argv[1]) == "--child")
    {
        std::string text;
        char cwd[MAX_PATH] = {};
        ::GetCurrentDirectoryA(MAX_PATH, cwd);
        text = std::string(cwd) + "\n";
        for (int i = 1; i < argc; ++i)
            text += "[" + std::string(argv[i]) + "]";
        write(argv[2], text);
        return 7;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
