#include "X11Connection.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace qvx {
namespace platform {

namespace {

using ErrorHandler = int (*)(Display*, XErrorEvent*);

// The open connections of this process and the handler found before ours.
std::mutex g_mutex;
std::vector<X11Connection*> g_open;
ErrorHandler g_previous = nullptr;

}  // namespace

X11Connection::X11Connection()
{
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0')
        return;
    _display = XOpenDisplay(name);
    if (_display == nullptr)
        return;
    XSetIOErrorExitHandler(_display, &X11Connection::onBrokenConnection, this);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_open.empty())
        g_previous = XSetErrorHandler(&X11Connection::onError);
    g_open.push_back(this);
}

X11Connection::~X11Connection()
{
    if (_display == nullptr)
        return;
    XCloseDisplay(_display);
    std::lock_guard<std::mutex> lock(g_mutex);
    g_open.erase(std::find(g_open.begin(), g_open.end(), this));
    if (g_open.empty())
    {
        // A handler that the application installed meanwhile stays in place.
        const ErrorHandler current = XSetErrorHandler(g_previous);
        if (current != &X11Connection::onError)
            XSetErrorHandler(current);
        g_previous = nullptr;
    }
}

int X11Connection::onError(Display* display, XErrorEvent* event)
{
    ErrorHandler previous;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        for (X11Connection* c : g_open)
            if (c->_display == display)
            {
                ++c->_errors;
                return 0;
            }
        previous = g_previous;
    }
    return previous != nullptr ? previous(display, event) : 0;
}

void X11Connection::onBrokenConnection(Display*, void* self)
{
    // Returning instead of exiting leaves the display unusable: every later
    // call on it returns at once.
    static_cast<X11Connection*>(self)->_broken = true;
}

bool X11Connection::sync()
{
    if (_broken)
        return false;
    XSync(_display, False);
    std::lock_guard<std::mutex> lock(g_mutex);
    const bool ok = _errors == 0 && !_broken;
    _errors = 0;
    return ok;
}

void X11Connection::internAtoms(const char* const* names, int count, Atom* atoms)
{
    XInternAtoms(_display, const_cast<char**>(names), count, False, atoms);
}

bool X11Connection::readProperty(Window window, Atom property, Atom type, int format,
                                 long maxItems, std::string* bytes, std::vector<long>* items)
{
    if (_broken)
        return false;
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long bytesAfter = 0;
    unsigned char* data = nullptr;
    const long length = format == 8 ? (maxItems + 3) / 4 : maxItems;
    const int status = XGetWindowProperty(_display, window, property, 0, length, False, type,
                                          &actualType, &actualFormat, &count, &bytesAfter, &data);
    bool ok = status == Success && actualType != None && actualFormat == format &&
              (type == AnyPropertyType || actualType == type) && bytesAfter == 0;
    if (ok && bytes != nullptr)
        bytes->assign(reinterpret_cast<const char*>(data), count);
    if (ok && items != nullptr)
    {
        const long* values = reinterpret_cast<const long*>(data);
        items->assign(values, values + count);
    }
    if (data != nullptr)
        XFree(data);
    return ok;
}

}  // namespace platform
}  // namespace qvx
