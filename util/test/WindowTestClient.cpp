// qvx_test_window: a top-level window for the window tests.
//   qvx_test_window TITLE [--no-pid | --pid-of ID] [--legacy-name NAME] [X Y W H]
// Sets the title as _NET_WM_NAME (UTF-8) and WM_NAME (or NAME as WM_NAME),
// and _NET_WM_PID (its own id, another id, or none), maps the window, prints
// "ready" once the server has it, and runs until it is killed.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const std::string title = argv[1];
    std::string legacy = title;
    long pid = static_cast<long>(::getpid());
    int geometry[4] = {10, 10, 200, 100};
    int g = 0;
    for (int i = 2; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--no-pid") == 0)
            pid = 0;
        else if (std::strcmp(argv[i], "--pid-of") == 0 && i + 1 < argc)
            pid = std::atol(argv[++i]);
        else if (std::strcmp(argv[i], "--legacy-name") == 0 && i + 1 < argc)
            legacy = argv[++i];
        else if (g < 4)
            geometry[g++] = std::atoi(argv[i]);
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 3;
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), geometry[0],
                                              geometry[1], static_cast<unsigned>(geometry[2]),
                                              static_cast<unsigned>(geometry[3]), 0, 0, 0xffffff);
    XStoreName(display, window, legacy.c_str());
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
    if (pid != 0)
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;)
    {
        XEvent event;
        XNextEvent(display, &event);
    }
}
