#ifndef QVX_TEST_X_SERVER_H
#define QVX_TEST_X_SERVER_H

// A private X server for tests: Xvfb on a display it picks itself
// (-displayfd), never the user's, stopped at the end. Also starting and
// ending client programs, and a test's own look at the server's windows.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace qvxtest {

// Starts argv[0] (looked up on PATH) with the environment of the caller;
// standard output goes to outFd when it is not -1, standard error to
// /dev/null unless keepStderr. Returns the id, or -1.
inline pid_t spawnProgram(const std::vector<std::string>& args, int outFd = -1,
                          bool keepStderr = false)
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (outFd >= 0)
        ::dup2(outFd, STDOUT_FILENO);
    if (!keepStderr)
    {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDERR_FILENO);
    }
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a test that dies
    ::execvp(argv[0], argv.data());
    ::_exit(127);
}

// Waits up to timeoutMs for the process to end; its wait status, or -1.
inline int waitForExit(pid_t pid, int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;)
    {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return status;
        if (std::chrono::steady_clock::now() >= end)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Kills the process (if it still runs) and collects it.
inline void endProgram(pid_t pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

// Reads one line (without its line feed) from fd, waiting up to timeoutMs.
inline std::string readLine(int fd, int timeoutMs)
{
    std::string line;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end)
    {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        char c;
        if (::read(fd, &c, 1) != 1 || c == '\n')
            break;
        line += c;
    }
    return line;
}

// Polls until done() or timeoutMs passed; the last answer of done().
template <class Done>
bool eventually(Done&& done, int timeoutMs = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done())
    {
        if (std::chrono::steady_clock::now() >= end)
            return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Starts a program that prints "ready" once its window is there (the test
// window program) and waits for that line; the id, or -1 when no line came.
inline pid_t spawnWindowProgram(const std::vector<std::string>& args)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    pid_t pid = spawnProgram(args, fds[1]);
    ::close(fds[1]);
    if (readLine(fds[0], 10000) != "ready")
    {
        endProgram(pid);
        pid = -1;
    }
    ::close(fds[0]);
    return pid;
}

class XServer
{
public:
    // Starts Xvfb and waits (up to 10 s) until it names its display.
    XServer()
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        _pid = spawnProgram({"Xvfb", "-displayfd", std::to_string(fds[1]), "-nolisten", "tcp",
                             "-noreset", "-screen", "0", "2560x1600x24"});
        ::close(fds[1]);
        const std::string number = readLine(fds[0], 10000);
        ::close(fds[0]);
        if (!number.empty())
            _display = ":" + number;
    }
    ~XServer()
    {
        if (_pid > 0)
        {
            ::kill(_pid, SIGTERM);
            if (waitForExit(_pid, 5000) == -1)
                endProgram(_pid);
        }
    }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // ":N", or "" when the server did not start.
    const std::string& display() const { return _display; }

private:
    pid_t _pid = -1;
    std::string _display;
};

// The test's own connection to the server, to look at what the library did.
class XView
{
public:
    explicit XView(const std::string& name) : _d(XOpenDisplay(name.c_str())) {}

    ~XView()
    {
        if (_d != nullptr)
            XCloseDisplay(_d);
    }
    XView(const XView&) = delete;
    XView& operator=(const XView&) = delete;

    Display* display() const { return _d; }
    Window root() const { return DefaultRootWindow(_d); }

    std::vector<Window> children(Window parent) const
    {
        Window r, p, *list = nullptr;
        unsigned int n = 0;
        std::vector<Window> result;
        if (XQueryTree(_d, parent, &r, &p, &list, &n) != 0 && list != nullptr)
            result.assign(list, list + n);
        if (list != nullptr)
            XFree(list);
        return result;
    }

    std::string name(Window w) const
    {
        char* text = nullptr;
        std::string result;
        if (XFetchName(_d, w, &text) != 0 && text != nullptr)
            result = text;
        if (text != nullptr)
            XFree(text);
        return result;
    }

    // The child of the root whose WM_NAME is title, or None.
    Window topLevel(const std::string& title) const
    {
        for (Window w : children(root()))
            if (name(w) == title)
                return w;
        return None;
    }

    XWindowAttributes attributes(Window w) const
    {
        XWindowAttributes a{};
        XGetWindowAttributes(_d, w, &a);
        return a;
    }

    // A property of 32-bit items (windows, atoms, cardinals).
    std::vector<long> listProperty(Window w, const char* property) const
    {
        Atom type;
        int format;
        unsigned long n, after;
        unsigned char* data = nullptr;
        std::vector<long> result;
        if (XGetWindowProperty(_d, w, XInternAtom(_d, property, False), 0, 1 << 16, False,
                               AnyPropertyType, &type, &format, &n, &after, &data) == Success &&
            data != nullptr && format == 32)
            result.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + n);
        if (data != nullptr)
            XFree(data);
        return result;
    }

    std::string textProperty(Window w, const char* property) const
    {
        Atom type;
        int format;
        unsigned long n, after;
        unsigned char* data = nullptr;
        std::string result;
        if (XGetWindowProperty(_d, w, XInternAtom(_d, property, False), 0, 1 << 16, False,
                               AnyPropertyType, &type, &format, &n, &after, &data) == Success &&
            data != nullptr)
            result.assign(reinterpret_cast<char*>(data), n);
        if (data != nullptr)
            XFree(data);
        return result;
    }

private:
    Display* _d;
};

}  // namespace qvxtest

#endif
