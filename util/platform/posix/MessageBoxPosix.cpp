#include "MessageBox.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "X11Connection.h"

// The default presenter: a modal dialog on the X display named by "DISPLAY"
// when one can be opened, otherwise the caption and text on standard error.
//
// The dialog has the caption as its title, the text (one line per line break,
// long lines wrapped to fit the screen), and one OK button. It is put above
// other windows and given the input focus when it appears, and the call
// returns when OK is clicked, Return, Enter, Space or Escape is pressed, or
// the window manager closes it; the answer is always OK, as for a box with
// only that button. For tools that read the screen, the dialog window also
// carries its text in the property _QVX_MESSAGE_TEXT and its button is a
// child window titled "OK". If the connection breaks while the dialog is up,
// the text goes to standard error too and the answer is 0.
namespace qvx {
namespace platform {

namespace {

void writeToStandardError(const char* text, const char* caption)
{
    std::fprintf(stderr, "[%s]\n%s\n", caption, text);
    std::fflush(stderr);
}

enum AtomIndex
{
    WM_PROTOCOLS,
    WM_DELETE_WINDOW,
    NET_WM_NAME,
    UTF8_STRING,
    NET_WM_WINDOW_TYPE,
    NET_WM_WINDOW_TYPE_DIALOG,
    NET_WM_STATE,
    NET_WM_STATE_ABOVE,
    NET_WM_PID,
    NET_ACTIVE_WINDOW,
    QVX_MESSAGE_TEXT,
    ATOM_COUNT
};
const char* const ATOM_NAMES[ATOM_COUNT] = {
    "WM_PROTOCOLS",       "WM_DELETE_WINDOW",   "_NET_WM_NAME",      "UTF8_STRING",
    "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DIALOG", "_NET_WM_STATE",
    "_NET_WM_STATE_ABOVE", "_NET_WM_PID",       "_NET_ACTIVE_WINDOW", "_QVX_MESSAGE_TEXT"};

constexpr int MARGIN = 16;
constexpr int BUTTON_WIDTH = 80;
constexpr int MIN_TEXT_WIDTH = 240;

void setText(Display* display, Window window, Atom property, Atom type, const std::string& text)
{
    XChangeProperty(display, window, property, type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()),
                    static_cast<int>(text.size()));
}

// The text's lines, broken at line feeds (a carriage return before one is
// dropped) and wrapped where a line is wider than maxWidth pixels.
std::vector<std::string> layoutLines(const std::string& text, XFontStruct* font, int maxWidth)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size())
    {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        while (line.size() > 1 && XTextWidth(font, line.data(), static_cast<int>(line.size())) > maxWidth)
        {
            // The longest prefix that fits, at least one character.
            std::size_t low = 1;
            std::size_t high = line.size() - 1;
            while (low < high)
            {
                const std::size_t mid = low + (high - low + 1) / 2;
                if (XTextWidth(font, line.data(), static_cast<int>(mid)) <= maxWidth)
                    low = mid;
                else
                    high = mid - 1;
            }
            lines.push_back(line.substr(0, low));
            line.erase(0, low);
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

class Dialog
{
public:
    Dialog(X11Connection& x, const std::string& text, const std::string& caption)
        : _x(x), _display(x.display())
    {
        _x.internAtoms(ATOM_NAMES, ATOM_COUNT, _atoms);
        const int screen = DefaultScreen(_display);
        _font = XLoadQueryFont(_display, "fixed");
        if (_font == nullptr)
        {
            _font = XQueryFont(_display, XGContextFromGC(DefaultGC(_display, screen)));
            _fontLoaded = false;
        }
        if (_font == nullptr)
            return;
        const int screenWidth = DisplayWidth(_display, screen);
        const int screenHeight = DisplayHeight(_display, screen);
        const int maxTextWidth = std::max(MIN_TEXT_WIDTH, screenWidth - 6 * MARGIN);
        _lines = layoutLines(text, _font, maxTextWidth);
        _lineHeight = _font->ascent + _font->descent;

        int textWidth = MIN_TEXT_WIDTH;
        for (const std::string& line : _lines)
            textWidth = std::max(textWidth, XTextWidth(_font, line.data(), static_cast<int>(line.size())));
        textWidth = std::min(textWidth, maxTextWidth);
        _buttonHeight = _lineHeight + 12;
        const int width = textWidth + 2 * MARGIN;
        const int textHeight = static_cast<int>(_lines.size()) * _lineHeight;
        const int height = std::min(screenHeight, textHeight + _buttonHeight + 3 * MARGIN);
        _textBottom = height - _buttonHeight - 2 * MARGIN;

        const unsigned long black = BlackPixel(_display, screen);
        const unsigned long white = WhitePixel(_display, screen);
        _window = XCreateSimpleWindow(_display, RootWindow(_display, screen),
                                      std::max(0, (screenWidth - width) / 2),
                                      std::max(0, (screenHeight - height) / 3), width, height, 1,
                                      black, white);
        _button = XCreateSimpleWindow(_display, _window, (width - BUTTON_WIDTH) / 2,
                                      height - MARGIN - _buttonHeight, BUTTON_WIDTH, _buttonHeight,
                                      1, black, white);
        _gc = XCreateGC(_display, _window, 0, nullptr);
        XSetForeground(_display, _gc, black);
        XSetFont(_display, _gc, _font->fid);

        XStoreName(_display, _window, caption.c_str());
        setText(_display, _window, _atoms[NET_WM_NAME], _atoms[UTF8_STRING], caption);
        setText(_display, _window, _atoms[QVX_MESSAGE_TEXT], _atoms[UTF8_STRING], text);
        XStoreName(_display, _button, "OK");
        XClassHint classHint;
        classHint.res_name = const_cast<char*>("qvxmessagebox");
        classHint.res_class = const_cast<char*>("QvxMessageBox");
        XSetClassHint(_display, _window, &classHint);
        XWMHints hints{};
        hints.flags = InputHint | StateHint;
        hints.input = True;
        hints.initial_state = NormalState;
        XSetWMHints(_display, _window, &hints);
        XSizeHints size{};
        size.flags = PPosition | PSize | PMinSize | PMaxSize;
        size.x = std::max(0, (screenWidth - width) / 2);
        size.y = std::max(0, (screenHeight - height) / 3);
        size.width = size.min_width = size.max_width = width;
        size.height = size.min_height = size.max_height = height;
        XSetWMNormalHints(_display, _window, &size);
        Atom protocols[] = {_atoms[WM_DELETE_WINDOW]};
        XSetWMProtocols(_display, _window, protocols, 1);
        const long type = static_cast<long>(_atoms[NET_WM_WINDOW_TYPE_DIALOG]);
        XChangeProperty(_display, _window, _atoms[NET_WM_WINDOW_TYPE], XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&type), 1);
        const long above = static_cast<long>(_atoms[NET_WM_STATE_ABOVE]);
        XChangeProperty(_display, _window, _atoms[NET_WM_STATE], XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&above), 1);
        const long pid = static_cast<long>(::getpid());
        XChangeProperty(_display, _window, _atoms[NET_WM_PID], XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);

        XSelectInput(_display, _window, ExposureMask | KeyPressMask | StructureNotifyMask);
        XSelectInput(_display, _button,
                     ExposureMask | ButtonPressMask | ButtonReleaseMask | EnterWindowMask |
                         LeaveWindowMask);
        XMapWindow(_display, _button);
        XMapRaised(_display, _window);
        _created = _x.sync();
    }

    ~Dialog()
    {
        if (_window != None && !_x.broken())
            XDestroyWindow(_display, _window);
        if (_gc != nullptr && !_x.broken())
            XFreeGC(_display, _gc);
        if (_font != nullptr)
            _fontLoaded ? XFreeFont(_display, _font) : XFreeFontInfo(nullptr, _font, 1);
        if (!_x.broken())
            XSync(_display, False);
    }

    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    bool created() const { return _created; }

    // Runs until the dialog is answered (true) or the connection breaks.
    bool run()
    {
        const int fd = ConnectionNumber(_display);
        while (!_x.broken())
        {
            if (XPending(_display) == 0)
            {
                if (_x.broken())
                    break;
                pollfd p{fd, POLLIN, 0};
                ::poll(&p, 1, -1);
                continue;
            }
            XEvent event;
            XNextEvent(_display, &event);
            if (handle(event))
                return true;
        }
        return false;
    }

private:
    bool handle(XEvent& event)
    {
        switch (event.type)
        {
        case MapNotify:
            if (event.xmap.window == _window)
                takeFocus();
            return false;
        case Expose:
            if (event.xexpose.count == 0)
                event.xexpose.window == _button ? drawButton() : drawText();
            return false;
        case KeyPress:
        {
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            return key == XK_Return || key == XK_KP_Enter || key == XK_space || key == XK_Escape;
        }
        case ButtonPress:
            _pressed = event.xbutton.button == Button1;
            drawButton();
            return false;
        case ButtonRelease:
        {
            const bool inside = event.xbutton.x >= 0 && event.xbutton.y >= 0 &&
                                event.xbutton.x < BUTTON_WIDTH && event.xbutton.y < _buttonHeight;
            const bool clicked = _pressed && event.xbutton.button == Button1 && inside;
            _pressed = false;
            drawButton();
            return clicked;
        }
        case ClientMessage:
            return event.xclient.message_type == _atoms[WM_PROTOCOLS] &&
                   static_cast<Atom>(event.xclient.data.l[0]) == _atoms[WM_DELETE_WINDOW];
        case DestroyNotify:
            if (event.xdestroywindow.window == _window)
            {
                _window = None;  // destroyed by someone else: nothing to wait for
                return true;
            }
            return false;
        default:
            return false;
        }
    }

    // The "foreground" style: raised and given the keyboard, and a window
    // manager asked to activate it.
    void takeFocus()
    {
        XRaiseWindow(_display, _window);
        XSetInputFocus(_display, _window, RevertToParent, CurrentTime);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = _window;
        event.xclient.message_type = _atoms[NET_ACTIVE_WINDOW];
        event.xclient.format = 32;
        event.xclient.data.l[0] = 1;  // from an application
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(_display, DefaultRootWindow(_display), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
        _x.sync();  // a refused focus (not yet viewable under a manager) is no failure
    }

    void drawText()
    {
        int y = MARGIN + _font->ascent;
        for (const std::string& line : _lines)
        {
            if (y - _font->ascent >= _textBottom)
                break;
            XDrawString(_display, _window, _gc, MARGIN, y, line.data(), static_cast<int>(line.size()));
            y += _lineHeight;
        }
    }

    void drawButton()
    {
        XClearWindow(_display, _button);
        const int w = XTextWidth(_font, "OK", 2);
        XDrawString(_display, _button, _gc, (BUTTON_WIDTH - w) / 2, 6 + _font->ascent, "OK", 2);
        if (_pressed)
            XDrawRectangle(_display, _button, _gc, 2, 2, BUTTON_WIDTH - 5,
                           static_cast<unsigned int>(_buttonHeight - 5));
    }

    X11Connection& _x;
    Display* _display;
    Atom _atoms[ATOM_COUNT] = {};
    XFontStruct* _font = nullptr;
    bool _fontLoaded = true;
    std::vector<std::string> _lines;
    int _lineHeight = 0;
    int _buttonHeight = 0;
    int _textBottom = 0;
    Window _window = None;
    Window _button = None;
    GC _gc = nullptr;
    bool _created = false;
    bool _pressed = false;
};

}  // namespace

int defaultMessageBoxPresenter(const char* text, const char* caption, unsigned int)
{
    X11Connection x;
    if (!x)
    {
        writeToStandardError(text, caption);
        return MESSAGE_BOX_ANSWER_OK;
    }
    Dialog dialog(x, text, caption);
    if (dialog.created() && dialog.run())
        return MESSAGE_BOX_ANSWER_OK;
    writeToStandardError(text, caption);
    return 0;
}

}  // namespace platform
}  // namespace qvx
