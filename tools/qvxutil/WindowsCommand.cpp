// qvxutil windows: the desktop's top-level windows with size and owner.
#include <cstdio>
#include <iostream>

#include "Command.h"
#include "DesktopWindows.h"

namespace {

int runWindows(const qvxutil::Args& args)
{
    if (!args.empty())
        throw qvxutil::UsageError{"windows takes no arguments"};
    std::vector<qvx::platform::DesktopWindow> windows;
    if (!qvx::platform::listDesktopWindows(windows))
    {
        std::cerr << "qvxutil: no desktop (DISPLAY is not set or its server cannot be reached)\n";
        return 1;
    }
    std::printf("%8s  %-11s  %-7s  %s\n", "OWNER", "SIZE", "STATE", "TITLE");
    for (const qvx::platform::DesktopWindow& w : windows)
    {
        const std::string owner = w.ownerProcessId > 0 ? std::to_string(w.ownerProcessId) : "-";
        const std::string size = std::to_string(w.width) + "x" + std::to_string(w.height);
        std::printf("%8s  %-11s  %-7s  %s\n", owner.c_str(), size.c_str(),
                    w.visible ? "shown" : "hidden", w.title.c_str());
    }
    return 0;
}

const qvxutil::Command::Registration registration{
    {"windows", "windows", "top-level windows of the desktop: owner process, size, state, title",
     &runWindows}};

}  // namespace
