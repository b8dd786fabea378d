#ifndef QVX_X11_CONNECTION_H
#define QVX_X11_CONNECTION_H

#include <X11/Xlib.h>

#include <string>
#include <vector>

// One connection to the X display named by "DISPLAY", held for the length of
// one host-layer call (a window operation, a message box) and closed by the
// destructor, so that no call leaves a connection behind.
//
// X protocol errors on this connection are counted instead of reaching Xlib's
// default handler (which would print them and end the process). Xlib has one
// error handler per process, so the handler is installed while at least one
// such connection is open and the one found before is put back when the last
// closes; errors of other connections of the process are handed to that one.
// A connection that breaks (the server goes away) is marked broken instead of
// ending the process.
namespace qvx {
namespace platform {

class X11Connection
{
public:
    // Opens the display. No "DISPLAY", an empty one, or a display that cannot
    // be opened leaves display() null, without a message. A display on
    // another host must accept a connection within half a second.
    X11Connection();
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    Display* display() const { return _display; }
    explicit operator bool() const { return _display != nullptr && !_broken; }
    bool broken() const { return _broken; }
    Window root() const { return DefaultRootWindow(_display); }

    // Waits until the server has handled every request sent so far. True
    // when none of the requests since the previous sync failed.
    bool sync();

    // Interned atoms of this connection, one round trip for all of them.
    void internAtoms(const char* const* names, int count, Atom* atoms);

    // A property of window as bytes (format 8) or 32-bit items (format 32,
    // each held in a long). False when the window has no such property of
    // that type (AnyPropertyType: any type), or on an error. At most
    // maxItems items are read.
    bool readProperty(Window window, Atom property, Atom type, int format, long maxItems,
                      std::string* bytes, std::vector<long>* items);

private:
    static int onError(Display* display, XErrorEvent* event);
    static void onBrokenConnection(Display* display, void* self);

    Display* _display = nullptr;
    int _errors = 0;
    bool _broken = false;
};

}  // namespace platform
}  // namespace qvx

#endif
