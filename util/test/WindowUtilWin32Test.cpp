// WindowUtil on Windows (or Wine): registry values written with the system's
// own calls, processes found and ended by name, windows found, hidden, shown
// and closed by title, and the physical memory. The program is its own
// child: started with --sleep it waits to be ended, with --window TITLE it
// shows a window of that title until it is closed (a minute at most each).
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "FailedCheck.h"
#include "RegistryValue.h"
#include "WindowUtil.h"

using namespace qvxtest;

namespace {

std::string selfPath()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string directoryOf(const std::string& path)
{
    return path.substr(0, path.find_last_of('\\'));
}

// Polls until done() (up to ten seconds).
template <class Done>
bool eventually(Done done)
{
    for (int i = 0; i < 200; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(50)))
        if (done())
            return true;
    return false;
}

// A copy of this program under a name no other process has, beside the
// library's DLL; removed at the end.
struct Helper
{
    Helper()
        : name("qvxhelper" + std::to_string(::GetCurrentProcessId()) + ".exe"),
          path(directoryOf(selfPath()) + "\\" + name)
    {
        copied = ::CopyFileA(selfPath().c_str(), path.c_str(), FALSE) != 0;
    }
    ~Helper()
    {
        WindowUtil::killProcesses(name);
        ::DeleteFileA(path.c_str());
    }
    int start(const std::string& arguments) const
    {
        return WindowUtil::createProcess(directoryOf(path), name, arguments, "", "");
    }
    std::string name, path;
    bool copied = false;
};

// A key under HKEY_CURRENT_USER of this process alone, removed at the end.
struct TestKey
{
    TestKey() : path("Software\\qvxUtilTest\\" + std::to_string(::GetCurrentProcessId()))
    {
        created = ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                    nullptr) == ERROR_SUCCESS;
    }
    ~TestKey()
    {
        if (!created)
            return;
        for (const char* name : {"text", "expand", "dword", "qword", "long", "binary"})
            ::RegDeleteValueA(key, name);
        ::RegCloseKey(key);
        ::RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
        ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\qvxUtilTest");  // only when empty
    }
    void set(const char* name, DWORD type, const void* data, std::size_t size)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)));
    }
    void setText(const char* name, DWORD type, const std::string& text)
    {
        set(name, type, text.c_str(), text.size() + 1);
    }
    std::string path;
    HKEY key = nullptr;
    bool created = false;
};

std::string valueOf(const std::string& subKey, const std::string& value)
{
    return registryValueOrCheck(HKEY_CURRENT_USER, subKey, value);
}

bool windowVisible(const std::string& title)
{
    const HWND window = ::FindWindowA(nullptr, title.c_str());
    return window != nullptr && ::IsWindowVisible(window);
}

LRESULT CALLBACK helperWindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l)
{
    if (message == WM_DESTROY)
        ::PostQuitMessage(0);
    if (message == WM_TIMER)
        ::DestroyWindow(window);
    return ::DefWindowProcA(window, message, w, l);
}

int showWindowUntilClosed(const char* title)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = helperWindowProcedure;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "qvxUtilTestWindow";
    ::RegisterClassA(&windowClass);
    const HWND window = ::CreateWindowA(windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                        300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr)
        return 2;
    ::SetTimer(window, 1, 60000, nullptr);
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0)
    {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return 0;
}

}  // namespace

TEST(WindowUtilWin32Test, RegistryValuesByTypeOnTheSystemRegistry)
{
    TestKey key;
    ASSERT_TRUE(key.created);
    key.setText("text", REG_SZ, "C:\\Data\\%TEMP%");
    key.setText("expand", REG_EXPAND_SZ, "%TEMP%\\x");
    const DWORD allDword = 0xFFFFFFFFu;
    key.set("dword", REG_DWORD, &allDword, sizeof(allDword));
    const std::uint64_t allQword = ~std::uint64_t(0);
    key.set("qword", REG_QWORD, &allQword, sizeof(allQword));
    key.setText("long", REG_SZ, std::string(80, 'L'));  // 81 bytes with its terminator
    const unsigned char bytes[] = {1, 2, 3};
    key.set("binary", REG_BINARY, bytes, sizeof(bytes));

    const std::string& k = key.path;
    EXPECT_TRUE(WindowUtil::isRegistryKeyDefined(HKEY_CURRENT_USER, k));
    EXPECT_FALSE(WindowUtil::isRegistryKeyDefined(HKEY_CURRENT_USER, k + "\\missing"));
    EXPECT_EQ("C:\\Data\\%TEMP%", valueOf(k, "text"));
    EXPECT_EQ("%TEMP%\\x", valueOf(k, "expand"));  // not expanded
    EXPECT_EQ("4294967295", valueOf(k, "dword"));
    EXPECT_EQ("-1", valueOf(k, "qword"));
    for (const char* name : {"text", "dword", "qword", "binary"})
        EXPECT_TRUE(WindowUtil::isRegistryKeyDefined(HKEY_CURRENT_USER, k, name)) << name;
    EXPECT_FALSE(WindowUtil::isRegistryKeyDefined(HKEY_CURRENT_USER, k, "long"));
    EXPECT_FALSE(WindowUtil::isRegistryKeyDefined(HKEY_CURRENT_USER, k, "missing"));

    // Other types, values that do not fit and missing values fail the check
    // (and answer empty when it goes on); a missing key answers empty.
    for (const char* name : {"binary", "long", "missing"})
    {
        EXPECT_EQ("check: false unsupported", valueOf(k, name)) << name;
        NopMode nop;
        EXPECT_EQ("", WindowUtil::getRegistryValue(HKEY_CURRENT_USER, k, name)) << name;
    }
    EXPECT_EQ("", valueOf(k + "\\missing", "text"));
}

TEST(WindowUtilWin32Test, ProcessesFoundCountedAndEndedByName)
{
    Helper helper;
    ASSERT_TRUE(helper.copied);
    EXPECT_FALSE(WindowUtil::isProcessRunning(helper.name));
    EXPECT_FALSE(WindowUtil::killProcesses(helper.name));
    EXPECT_EQ(0, WindowUtil::getNumberOfProcessRunning(helper.name));

    ASSERT_EQ(1, helper.start("--sleep"));
    ASSERT_EQ(1, helper.start("--sleep"));
    EXPECT_TRUE(eventually([&] { return WindowUtil::getNumberOfProcessRunning(helper.name) == 2; }));
    EXPECT_TRUE(WindowUtil::isProcessRunning(helper.path));  // the full path, in another letter case too
    std::string upper = helper.name;
    ::CharUpperA(&upper[0]);
    EXPECT_TRUE(WindowUtil::isProcessRunning(upper));
    EXPECT_FALSE(WindowUtil::isProcessRunning(directoryOf(helper.path) + "\\elsewhere\\" + helper.name));

    EXPECT_TRUE(WindowUtil::killProcesses(helper.path));
    EXPECT_EQ(0, WindowUtil::getNumberOfProcessRunning(helper.name));
    EXPECT_FALSE(WindowUtil::killProcesses(helper.name));

    // A program that cannot be started answers the system's error code.
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, WindowUtil::createProcess(directoryOf(helper.path) + "\\no-such-program.exe"));
}

TEST(WindowUtilWin32Test, WindowsFoundHiddenShownAndClosedByTitle)
{
    const std::string title = "qvxUtil test window " + std::to_string(::GetCurrentProcessId());
    EXPECT_FALSE(WindowUtil::isAppRunning(title));
    EXPECT_FALSE(WindowUtil::hideWindow(title));
    EXPECT_FALSE(WindowUtil::showWindow(title));
    EXPECT_FALSE(WindowUtil::killWindow(title));

    Helper helper;
    ASSERT_TRUE(helper.copied);
    ASSERT_EQ(1, helper.start("--window \"" + title + "\""));
    ASSERT_TRUE(eventually([&] { return WindowUtil::isAppRunning(title); })) << "no window: has Wine a display driver?";
    EXPECT_FALSE(WindowUtil::isAppRunning(title + " "));  // titles compare exactly
    EXPECT_TRUE(windowVisible(title));

    EXPECT_TRUE(WindowUtil::hideWindow(title));
    EXPECT_TRUE(eventually([&] { return !windowVisible(title); }));
    EXPECT_TRUE(WindowUtil::showWindow(title));
    EXPECT_TRUE(eventually([&] { return windowVisible(title); }));

    EXPECT_TRUE(WindowUtil::killWindow(title));  // ends the window's process
    EXPECT_TRUE(eventually([&] { return !WindowUtil::isProcessRunning(helper.name); }));
    EXPECT_FALSE(WindowUtil::isAppRunning(title));
}

TEST(WindowUtilWin32Test, PhysicalMemoryInUnitsOfAThousandBytes)
{
    // Wine takes the total from the host (/proc/meminfo, in KiB), rounded to
    // whole pages: up to 4096 bytes apart, 5 of these units.
    std::ifstream meminfo("/proc/meminfo");
    std::string label;
    unsigned long long kibibytes = 0;
    meminfo >> label >> kibibytes;
    ASSERT_EQ("MemTotal:", label);
    EXPECT_NEAR(static_cast<double>(static_cast<std::uint32_t>(kibibytes * 1024 / 1000)),
                WindowUtil::getSizeOfPhysicalMemoryInKiloBytes(), 5.0);
}

int main(int argc, char** argv)
{
    if (argc >= 2 && std::string(argv[1]) == "--sleep")
    {
        ::Sleep(60000);
        return 0;
    }
    if (argc >= 3 && std::string(argv[1]) == "--window")
        return showWindowUntilClosed(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
