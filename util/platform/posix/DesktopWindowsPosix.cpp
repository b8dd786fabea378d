#include "DesktopWindows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>

#include <algorithm>
#include <climits>
#include <functional>

#include "X11Connection.h"

namespace qvx {
namespace platform {

namespace {

enum AtomIndex
{
    NET_CLIENT_LIST,
    NET_SUPPORTING_WM_CHECK,
    NET_WM_NAME,
    UTF8_STRING,
    WM_STATE,
    NET_WM_PID,
    NET_WM_STATE,
    NET_WM_STATE_ABOVE,
    ATOM_COUNT
};
const char* const ATOM_NAMES[ATOM_COUNT] = {
    "_NET_CLIENT_LIST", "_NET_SUPPORTING_WM_CHECK", "_NET_WM_NAME", "UTF8_STRING",
    "WM_STATE",         "_NET_WM_PID",              "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"};

// Bounds that keep a look-up finite on any server: the longest title read,
// the most windows taken from the client list or visited below the root,
// and how deep below a child of the root a client window is looked for.
constexpr long MAX_TITLE_BYTES = 256 * 1024;
constexpr long MAX_WINDOWS = 65536;
constexpr int MAX_DEPTH = 8;

// _NET_WM_STATE actions and the source indication of a normal application.
constexpr long STATE_REMOVE = 0;
constexpr long STATE_ADD = 1;
constexpr long SOURCE_APPLICATION = 1;

struct TopLevel
{
    Window window = None;
    bool hasTitle = false;
    std::string title;
};

// One call's view of the desktop.
class Desktop
{
public:
    Desktop()
    {
        if (_x)
            _x.internAtoms(ATOM_NAMES, ATOM_COUNT, _atoms);
    }

    explicit operator bool() const { return static_cast<bool>(_x); }
    Display* display() const { return _x.display(); }
    X11Connection& connection() { return _x; }

    bool windowManagerRuns()
    {
        if (_windowManager < 0)
        {
            std::vector<long> check;
            std::vector<long> self;
            const bool runs =
                _x.readProperty(_x.root(), _atoms[NET_SUPPORTING_WM_CHECK], XA_WINDOW, 32, 1,
                                nullptr, &check) &&
                !check.empty() &&
                _x.readProperty(static_cast<Window>(check[0]), _atoms[NET_SUPPORTING_WM_CHECK],
                                XA_WINDOW, 32, 1, nullptr, &self) &&
                !self.empty() && self[0] == check[0];
            _x.sync();  // a stale check window is no error of this call
            _windowManager = runs ? 1 : 0;
        }
        return _windowManager == 1;
    }

    // Calls visit for each top-level window until it answers true; returns
    // whether one did. Errors of the look-up (windows that vanish meanwhile)
    // are discarded before returning.
    bool forEachTopLevel(const std::function<bool(const TopLevel&)>& visit)
    {
        std::vector<Window> seen;
        bool stopped = false;
        if (windowManagerRuns())
        {
            std::vector<long> clients;
            if (_x.readProperty(_x.root(), _atoms[NET_CLIENT_LIST], XA_WINDOW, 32, MAX_WINDOWS,
                                nullptr, &clients))
                for (long id : clients)
                {
                    TopLevel t;
                    t.window = static_cast<Window>(id);
                    t.hasTitle = readTitle(t.window, t.title);
                    seen.push_back(t.window);
                    if ((stopped = visit(t)))
                        break;
                }
        }
        if (!stopped)
        {
            long budget = MAX_WINDOWS;
            for (Window child : children(_x.root()))
            {
                TopLevel t;
                if (!clientBelow(child, 0, budget, t) ||
                    std::find(seen.begin(), seen.end(), t.window) != seen.end())
                    continue;
                if ((stopped = visit(t)))
                    break;
            }
        }
        _x.sync();
        return stopped;
    }

    Window find(const std::string& title)
    {
        Window found = None;
        forEachTopLevel([&](const TopLevel& t) {
            if (t.hasTitle && t.title == title)
                found = t.window;
            return found != None;
        });
        return found;
    }

    bool readTitle(Window window, std::string& title)
    {
        return _x.readProperty(window, _atoms[NET_WM_NAME], _atoms[UTF8_STRING], 8, MAX_TITLE_BYTES,
                               &title, nullptr) ||
               _x.readProperty(window, XA_WM_NAME, AnyPropertyType, 8, MAX_TITLE_BYTES, &title,
                               nullptr);
    }

    bool owner(Window window, long& processId)
    {
        std::vector<long> pid;
        if (_x.readProperty(window, _atoms[NET_WM_PID], XA_CARDINAL, 32, 1, nullptr, &pid) &&
            !pid.empty() && pid[0] > 0 && pid[0] <= INT_MAX)
        {
            processId = pid[0];
            return true;
        }
        int eventBase = 0;
        int errorBase = 0;
        if (!XResQueryExtension(display(), &eventBase, &errorBase))
            return false;
        XResClientIdSpec spec;
        spec.client = window;
        spec.mask = XRES_CLIENT_ID_PID_MASK;
        long count = 0;
        XResClientIdValue* values = nullptr;
        long found = 0;
        if (XResQueryClientIds(display(), 1, &spec, &count, &values) == Success)
        {
            for (long i = 0; i < count && found <= 0; ++i)
                if (XResGetClientIdType(&values[i]) == XRES_CLIENT_ID_PID)
                    found = XResGetClientPid(&values[i]);
            XResClientIdsDestroy(count, values);
        }
        _x.sync();
        if (found <= 0)
            return false;
        processId = found;
        return true;
    }

    // Asks the window manager to add or remove "stays above others". A
    // withdrawn window is not the manager's yet: it reads the state from the
    // window's own property when the window is shown, so "add" goes there.
    void requestAbove(Window window, long action)
    {
        std::vector<long> wmState;
        const bool withdrawn =
            !_x.readProperty(window, _atoms[WM_STATE], AnyPropertyType, 32, 1, nullptr, &wmState) ||
            wmState.empty() || wmState[0] == WithdrawnState;
        if (withdrawn && action == STATE_ADD)
        {
            const long above = static_cast<long>(_atoms[NET_WM_STATE_ABOVE]);
            XChangeProperty(display(), window, _atoms[NET_WM_STATE], XA_ATOM, 32, PropModeAppend,
                            reinterpret_cast<const unsigned char*>(&above), 1);
            return;
        }
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = _atoms[NET_WM_STATE];
        event.xclient.format = 32;
        event.xclient.data.l[0] = action;
        event.xclient.data.l[1] = static_cast<long>(_atoms[NET_WM_STATE_ABOVE]);
        event.xclient.data.l[2] = 0;
        event.xclient.data.l[3] = SOURCE_APPLICATION;
        XSendEvent(display(), _x.root(), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
    }

private:
    std::vector<Window> children(Window parent)
    {
        Window root = None;
        Window up = None;
        Window* list = nullptr;
        unsigned int count = 0;
        std::vector<Window> result;
        if (XQueryTree(display(), parent, &root, &up, &list, &count) != 0 && list != nullptr)
            result.assign(list, list + count);
        if (list != nullptr)
            XFree(list);
        return result;
    }

    // The window itself when it carries WM_STATE or a title, else the first
    // such window below it (depth first, bounded).
    bool clientBelow(Window window, int depth, long& budget, TopLevel& found)
    {
        if (--budget < 0)
            return false;
        std::string title;
        const bool hasTitle = readTitle(window, title);
        if (hasTitle || _x.readProperty(window, _atoms[WM_STATE], AnyPropertyType, 32, 1, nullptr,
                                        nullptr))
        {
            found.window = window;
            found.hasTitle = hasTitle;
            found.title.swap(title);
            return true;
        }
        if (depth >= MAX_DEPTH)
            return false;
        for (Window child : children(window))
            if (clientBelow(child, depth + 1, budget, found))
                return true;
        return false;
    }

    X11Connection _x;
    Atom _atoms[ATOM_COUNT] = {};
    int _windowManager = -1;
};

}  // namespace

bool listDesktopWindows(std::vector<DesktopWindow>& windows)
{
    windows.clear();
    Desktop desktop;
    if (!desktop)
        return false;
    std::vector<TopLevel> found;
    desktop.forEachTopLevel([&](const TopLevel& t) {
        found.push_back(t);
        return false;
    });
    for (const TopLevel& t : found)
    {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(desktop.display(), t.window, &attributes) == 0)
            continue;  // gone meanwhile
        DesktopWindow w;
        w.title = t.title;
        w.x = attributes.x;
        w.y = attributes.y;
        w.width = static_cast<unsigned int>(attributes.width);
        w.height = static_cast<unsigned int>(attributes.height);
        w.visible = attributes.map_state == IsViewable;
        desktop.owner(t.window, w.ownerProcessId);
        windows.push_back(std::move(w));
    }
    desktop.connection().sync();
    return !desktop.connection().broken();
}

namespace {

// Calls act(desktop, window) with the window that has this title; false
// without a desktop or such a window.
template <class Act>
bool withWindow(const std::string& title, Act&& act)
{
    Desktop desktop;
    if (!desktop)
        return false;
    const Window window = desktop.find(title);
    return window != None && act(desktop, window);
}

}  // namespace

bool findDesktopWindow(const std::string& title)
{
    return withWindow(title, [](Desktop&, Window) { return true; });
}

bool hideDesktopWindow(const std::string& title, unsigned int width, unsigned int height)
{
    return withWindow(title, [&](Desktop& desktop, Window window) {
        Display* display = desktop.display();
        XResizeWindow(display, window, width, height);
        XRaiseWindow(display, window);
        if (desktop.windowManagerRuns())
            XWithdrawWindow(display, window, DefaultScreen(display));
        else
            XUnmapWindow(display, window);
        return desktop.connection().sync();
    });
}

bool showDesktopWindow(const std::string& title, unsigned int width, unsigned int height)
{
    return withWindow(title, [&](Desktop& desktop, Window window) {
        Display* display = desktop.display();
        const bool windowManager = desktop.windowManagerRuns();
        if (windowManager)
            desktop.requestAbove(window, STATE_ADD);
        XResizeWindow(display, window, width, height);
        XMapRaised(display, window);
        if (!desktop.connection().sync())
            return false;
        if (!windowManager)
            return true;
        desktop.requestAbove(window, STATE_REMOVE);
        return desktop.connection().sync();
    });
}

bool findDesktopWindowOwner(const std::string& title, long& processId)
{
    return withWindow(title, [&](Desktop& desktop, Window window) {
        return desktop.owner(window, processId);
    });
}

}  // namespace platform
}  // namespace qvx
