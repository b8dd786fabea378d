// Windows found by title, their owners, and the message box, on a private
// Xvfb server that the tests start themselves.
// GoogleTest first: Xlib's macros (None, Bool) would break its headers.
#include <gtest/gtest.h>

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "DesktopWindows.h"
#include "LoopbackPeer.h"
#include "MessageBox.h"
#include "TempDir.h"
#include "WindowUtil.h"
#include "XServer.h"
#include "kbrAssert.h"

using namespace qvxtest;

namespace {

const char* const CAPTION = "Fatal Error - contact k7300 support";

class WindowTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        server = new XServer();
        ASSERT_FALSE(server->display().empty()) << "Xvfb did not start";
        ::setenv("DISPLAY", server->display().c_str(), 1);
        view = new XView(server->display());
        ASSERT_NE(nullptr, view->display());
    }
    static void TearDownTestSuite()
    {
        delete view;
        delete server;
        ::unsetenv("DISPLAY");
    }
    void TearDown() override
    {
        for (pid_t pid : _started)
            endProgram(pid);
    }

    // Starts the test window program and waits until its window is there.
    pid_t window(std::vector<std::string> args)
    {
        args.insert(args.begin(), QVX_TEST_WINDOW);
        const pid_t pid = spawnWindowProgram(args);
        EXPECT_NE(-1, pid) << args[1];
        _started.push_back(pid);
        return pid;
    }

    static XServer* server;
    static XView* view;
    std::vector<pid_t> _started;
};

XServer* WindowTest::server = nullptr;
XView* WindowTest::view = nullptr;

bool killedBySigkill(int status)
{
    return status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// Map state and geometry, as "state WxH+X+Y".
std::string placement(const XView& view, Window w)
{
    const XWindowAttributes a = view.attributes(w);
    return std::to_string(a.map_state) + " " + std::to_string(a.width) + "x" + std::to_string(a.height) + "+" +
           std::to_string(a.x) + "+" + std::to_string(a.y);
}

}  // namespace

TEST_F(WindowTest, TitlesMatchExactlyAndPreferTheUtf8Name)
{
    const pid_t plain = window({"qvx window one"});
    window({"Prüfstand äöü", "--legacy-name", "legacy name"});
    _started.push_back(spawnProgram({"xmessage", "-title", "qvx message two", "a message"}));

    EXPECT_TRUE(WindowUtil::isAppRunning("qvx window one"));
    EXPECT_TRUE(eventually([] { return WindowUtil::isAppRunning("qvx message two"); }));  // WM_NAME only
    EXPECT_TRUE(WindowUtil::isAppRunning("Prüfstand äöü"));
    for (const char* other : {"qvx window", "qvx window one ", "QVX WINDOW ONE", "", "legacy name"})
        EXPECT_FALSE(WindowUtil::isAppRunning(other)) << other;

    endProgram(plain);
    EXPECT_TRUE(eventually([] { return !WindowUtil::isAppRunning("qvx window one"); }));

    std::vector<qvx::platform::DesktopWindow> all;
    ASSERT_TRUE(qvx::platform::listDesktopWindows(all));
    std::vector<std::string> titles;
    for (const auto& w : all)
        titles.push_back(w.title);
    EXPECT_EQ((std::vector<std::string>{"Prüfstand äöü", "qvx message two"}), titles);
}

TEST_F(WindowTest, HideKeepsThePositionAndShowPutsTheWindowOnTop)
{
    window({"qvx lower", "37", "53", "300", "200"});
    window({"qvx upper", "0", "0", "400", "400"});
    const Window lower = view->topLevel("qvx lower");
    ASSERT_NE(None, lower);

    ASSERT_TRUE(WindowUtil::hideWindow("qvx lower"));
    EXPECT_EQ(std::to_string(IsUnmapped) + " 2000x500+37+53", placement(*view, lower));
    EXPECT_TRUE(WindowUtil::isAppRunning("qvx lower"));  // hidden is not gone

    ASSERT_TRUE(WindowUtil::showWindow("qvx lower"));
    EXPECT_EQ(std::to_string(IsViewable) + " 2000x500+37+53", placement(*view, lower));
    EXPECT_EQ(lower, view->children(view->root()).back());

    EXPECT_FALSE(WindowUtil::hideWindow("qvx nothing"));
    EXPECT_FALSE(WindowUtil::showWindow("qvx nothing"));
    EXPECT_FALSE(WindowUtil::killWindow("qvx nothing"));
}

TEST_F(WindowTest, KillWindowEndsTheOwnerFoundEitherWay)
{
    // _NET_WM_PID names the owner, even when it is another process.
    const pid_t bystander = spawnProgram({"sleep", "60"});
    _started.push_back(bystander);
    const pid_t named = window({"qvx named owner", "--pid-of", std::to_string(bystander)});
    EXPECT_TRUE(WindowUtil::killWindow("qvx named owner"));
    EXPECT_TRUE(killedBySigkill(waitForExit(bystander, 3000)));
    EXPECT_EQ(0, ::waitpid(named, nullptr, WNOHANG));  // the window's program lives on

    // Without _NET_WM_PID the X-Resource extension names the client.
    const pid_t anonymous = window({"qvx no pid", "--no-pid"});
    EXPECT_TRUE(WindowUtil::killWindow("qvx no pid"));
    EXPECT_TRUE(killedBySigkill(waitForExit(anonymous, 3000)));
}

TEST_F(WindowTest, WithoutAServerEveryOperationAnswersFalseAtOnce)
{
    window({"qvx present"});
    ASSERT_TRUE(WindowUtil::isAppRunning("qvx present"));
    // No display named, an empty name, servers that are not there (one on a
    // host that cannot be reached), and a name that is no display.
    for (const char* display : {static_cast<const char*>(nullptr), "", ":4097", "unix:4097.0",
                                "tcp/localhost:4097", "192.0.2.1:0", "[::1]:4097", "nonsense"})
    {
        ScopedEnv env("DISPLAY", display);
        testing::internal::CaptureStderr();
        const auto start = std::chrono::steady_clock::now();
        std::vector<qvx::platform::DesktopWindow> all;
        long owner = 0;
        EXPECT_FALSE(WindowUtil::isAppRunning("qvx present"));
        EXPECT_FALSE(WindowUtil::hideWindow("qvx present"));
        EXPECT_FALSE(WindowUtil::showWindow("qvx present"));
        EXPECT_FALSE(WindowUtil::killWindow("qvx present"));
        EXPECT_FALSE(qvx::platform::listDesktopWindows(all));
        EXPECT_FALSE(qvx::platform::findDesktopWindowOwner("qvx present", owner));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_EQ("", testing::internal::GetCapturedStderr());
    }
    EXPECT_TRUE(WindowUtil::isAppRunning("qvx present"));
}

TEST_F(WindowTest, ADisplayThatNeverAcceptsIsGivenUpWithinASecond)
{
    // A listener whose backlog is full: the kernel drops further handshakes,
    // as for a host that does not answer.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int number = 4100;
    sockaddr_in address = loopback(6000 + number);
    while (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 && number < 4200)
        address = loopback(6000 + ++number);
    ASSERT_EQ(0, ::listen(listener, 0));
    std::vector<int> waiting(3);
    for (int& fd : waiting)
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ScopedEnv env("DISPLAY", "127.0.0.1:" + std::to_string(number));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(WindowUtil::isAppRunning("qvx anything"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    for (int fd : waiting)
        ::close(fd);
    ::close(listener);
}

TEST_F(WindowTest, LookupsLeaveNoConnectionOrHandlerBehind)
{
    window({"qvx counted"});
    const auto handler = [](Display*, XErrorEvent*) { return 0; };
    XSetErrorHandler(handler);
    const int before = openDescriptorCount();
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(WindowUtil::isAppRunning("qvx counted"));
    EXPECT_EQ(before, openDescriptorCount());
    // The application's own error handler is back in place.
    EXPECT_EQ(+handler, XSetErrorHandler(nullptr));
}

namespace {

// A failed check in the default mode, not unit testing, in a child process
// whose standard output goes to outFd.
pid_t failingChild(int outFd)
{
    const pid_t pid = ::fork();
    if (pid == 0)
    {
        ::dup2(outFd, STDOUT_FILENO);
        ::unsetenv("UNIT_TESTING");
        showKbrAssertWithMessage("! s.empty()", "two\nlines", "util/src/StringUtil.cpp", 42);
        ::_exit(99);  // never reached
    }
    return pid;
}

const std::string REPORT =
    "ERROR: Assertion \"! s.empty()\" (two\nlines) failed in file util/src/StringUtil.cpp on line 42";

void pressKey(Display* d, KeySym key)
{
    const KeyCode code = XKeysymToKeycode(d, key);
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    XSync(d, False);
}

void clickAt(Display* d, Window w, int x, int y)
{
    int rx = 0, ry = 0;
    Window child;
    XTranslateCoordinates(d, w, DefaultRootWindow(d), x, y, &rx, &ry, &child);
    XTestFakeMotionEvent(d, DefaultScreen(d), rx, ry, CurrentTime);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XSync(d, False);
}

void sendClose(Display* d, Window w)
{
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    XSendEvent(d, w, False, NoEventMask, &e);
    XSync(d, False);
}

}  // namespace

TEST_F(WindowTest, FailedCheckShowsAModalBoxUntilItIsAnswered)
{
    Display* d = view->display();
    int eventBase, errorBase, major, minor;
    ASSERT_TRUE(XTestQueryExtension(d, &eventBase, &errorBase, &major, &minor));

    enum Answer { Return, Space, Escape, KeypadEnter, ClickOk, CloseByManager };
    for (Answer answer : {Return, Space, Escape, KeypadEnter, ClickOk, CloseByManager})
    {
        SCOPED_TRACE(answer);
        int fds[2];
        ASSERT_EQ(0, ::pipe(fds));
        const pid_t child = failingChild(fds[1]);
        ::close(fds[1]);
        Window box = None;
        ASSERT_TRUE(eventually([&] { return (box = view->topLevel(CAPTION)) != None &&
                                            view->attributes(box).map_state == IsViewable; }));
        // The report came first, and the child waits for the box.
        EXPECT_EQ(REPORT.substr(0, REPORT.find('\n')), readLine(fds[0], 2000));
        EXPECT_EQ(REPORT.substr(REPORT.find('\n') + 1), readLine(fds[0], 2000));
        EXPECT_EQ(REPORT, view->textProperty(box, "_QVX_MESSAGE_TEXT"));
        Window focus;
        int revert;
        ASSERT_TRUE(eventually([&] { XGetInputFocus(d, &focus, &revert); return focus == box; }));
        EXPECT_EQ(box, view->children(view->root()).back());

        pressKey(d, XK_a);  // not an answer
        EXPECT_EQ(-1, waitForExit(child, 200));

        std::vector<Window> buttons = view->children(box);
        ASSERT_EQ(1u, buttons.size());
        EXPECT_EQ("OK", view->name(buttons[0]));
        switch (answer)
        {
        case Return: pressKey(d, XK_Return); break;
        case Space: pressKey(d, XK_space); break;
        case Escape: pressKey(d, XK_Escape); break;
        case KeypadEnter: pressKey(d, XK_KP_Enter); break;
        case ClickOk: clickAt(d, buttons[0], 10, 5); break;
        case CloseByManager: sendClose(d, box); break;
        }
        const int status = waitForExit(child, 5000);
        if (status == -1)
            endProgram(child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
        ::close(fds[0]);
        EXPECT_TRUE(eventually([&] { return view->topLevel(CAPTION) == None; }));
    }
}

// (That no box comes up while unit testing is AssertTest's.)
TEST_F(WindowTest, WithoutADisplayTheBoxGoesToStandardError)
{
    ScopedEnv display("DISPLAY", nullptr);
    int out[2];
    ASSERT_EQ(0, ::pipe(out));
    testing::internal::CaptureStderr();
    const pid_t child = failingChild(out[1]);
    ::close(out[1]);
    const int status = waitForExit(child, 5000);
    if (status == -1)
        endProgram(child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ("[" + std::string(CAPTION) + "]\n" + REPORT + "\n", testing::internal::GetCapturedStderr());
    EXPECT_EQ(REPORT.substr(0, REPORT.find('\n')), readLine(out[0], 1000));
    ::close(out[0]);
}

// The same operations under a window manager (jwm, on a server of its own):
// windows are found through its client list, hiding withdraws them, and
// showing leaves them in front without staying above the others.
class WindowManagerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(_server.display().empty()) << "Xvfb did not start";
        _display = std::make_unique<ScopedEnv>("DISPLAY", _server.display());
        _view = std::make_unique<XView>(_server.display());
        TempDir::write(_config / "jwmrc", "<JWM></JWM>\n");
        _manager = spawnProgram({"jwm", "-f", _config / "jwmrc"});
        ASSERT_TRUE(eventually([&] {
            return !_view->listProperty(_view->root(), "_NET_SUPPORTING_WM_CHECK").empty();
        })) << "jwm did not start";
    }
    void TearDown() override
    {
        endProgram(_client);
        endProgram(_manager);
    }

    std::vector<long> clients() const { return _view->listProperty(_view->root(), "_NET_CLIENT_LIST"); }

    XServer _server;
    TempDir _config;
    std::unique_ptr<ScopedEnv> _display;
    std::unique_ptr<XView> _view;
    pid_t _manager = -1;
    pid_t _client = -1;
};

TEST_F(WindowManagerTest, HideWithdrawsAndShowBringsTheWindowBackInFront)
{
    _client = spawnWindowProgram({QVX_TEST_WINDOW, "qvx managed", "40", "60", "300", "200"});
    ASSERT_NE(-1, _client);
    ASSERT_TRUE(eventually([&] { return !clients().empty(); }));
    const Window managed = static_cast<Window>(clients()[0]);
    ASSERT_EQ("qvx managed", _view->name(managed));
    EXPECT_TRUE(WindowUtil::isAppRunning("qvx managed"));
    EXPECT_FALSE(WindowUtil::isAppRunning("qvx"));

    // The manager carries out sizes and stacking after the calls return.
    const auto is = [&](int mapState) {
        return eventually([&] {
            const XWindowAttributes a = _view->attributes(managed);
            return a.map_state == mapState && a.width == 2000 && a.height == 500;
        });
    };
    ASSERT_TRUE(WindowUtil::hideWindow("qvx managed"));
    EXPECT_TRUE(is(IsUnmapped));
    EXPECT_TRUE(eventually([&] { return clients().empty(); }));
    EXPECT_TRUE(WindowUtil::isAppRunning("qvx managed"));  // withdrawn, still found

    ASSERT_TRUE(WindowUtil::showWindow("qvx managed"));
    EXPECT_TRUE(is(IsViewable));
    EXPECT_TRUE(eventually([&] {  // the manager's frame around it is in front
        Window frame = managed, root, parent, *list = nullptr;
        for (unsigned int n; XQueryTree(_view->display(), frame, &root, &parent, &list, &n) != 0; frame = parent)
            if (XFree(list), parent == root)
                break;
        return frame == _view->children(_view->root()).back();
    }));
    // Shown from hidden and again while visible: the window was made to stay
    // above others (the manager put it in the state) and was let go again.
    const long above = static_cast<long>(XInternAtom(_view->display(), "_NET_WM_STATE_ABOVE", False));
    const auto staysAbove = [&] {
        const std::vector<long> state = _view->listProperty(managed, "_NET_WM_STATE");
        return std::find(state.begin(), state.end(), above) != state.end();
    };
    EXPECT_TRUE(eventually([&] { return !staysAbove(); }));
    ASSERT_TRUE(WindowUtil::showWindow("qvx managed"));
    EXPECT_TRUE(eventually([&] { return !staysAbove(); }));

    EXPECT_TRUE(WindowUtil::killWindow("qvx managed"));
    EXPECT_TRUE(killedBySigkill(waitForExit(_client, 3000)));
    _client = -1;
    EXPECT_FALSE(WindowUtil::showWindow("qvx managed"));
}
