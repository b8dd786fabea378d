#include "X11Connection.h"

#include <X11/Xatom.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
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

// How long a display on another host may take to accept a connection.
constexpr int REMOTE_CONNECT_MILLISECONDS = 500;

// Whether a TCP connection to host:port is accepted within the time-out.
bool acceptsConnection(const std::string& host, const std::string& port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* addresses = nullptr;
    if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &addresses) != 0)
        return false;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(REMOTE_CONNECT_MILLISECONDS);
    bool accepted = false;
    for (addrinfo* a = addresses; a != nullptr && !accepted; a = a->ai_next)
    {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                a->ai_protocol);
        if (fd < 0)
            continue;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0)
            accepted = true;
        else if (errno == EINPROGRESS)
        {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{fd, POLLOUT, 0};
            int error = 0;
            socklen_t length = sizeof error;
            accepted = left.count() > 0 && ::poll(&p, 1, static_cast<int>(left.count())) == 1 &&
                       ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
        }
        ::close(fd);
    }
    ::freeaddrinfo(addresses);
    return accepted;
}

// Xlib waits as long as the system lets a TCP connection attempt run, so a
// display on another host ("host:N", "tcp/host:N", "[::1]:N") is first
// probed with a short time-out. Local displays are left to Xlib, which
// refuses a missing one at once.
bool reachable(const std::string& name)
{
    std::string rest = name;
    const std::size_t slash = rest.find('/');
    if (slash != std::string::npos && slash < rest.rfind(':'))
    {
        const std::string protocol = rest.substr(0, slash);
        if (protocol != "tcp" && protocol != "inet" && protocol != "inet6")
            return true;
        rest.erase(0, slash + 1);
    }
    const std::size_t colon = rest.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return true;
    std::string host = rest.substr(0, colon);
    if (host == "unix" || host.back() == ':')  // local socket; DECnet is not probed
        return true;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    const long number = std::strtol(rest.c_str() + colon + 1, nullptr, 10);
    if (number < 0 || number > 59535)
        return false;
    return acceptsConnection(host, std::to_string(6000 + number));
}

}  // namespace

X11Connection::X11Connection()
{
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0' || !reachable(name))
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
