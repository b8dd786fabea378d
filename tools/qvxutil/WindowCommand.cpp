// qvxutil window show|hide|kill TITLE: one window operation by exact title.
#include <iostream>

#include "Command.h"
#include "WindowUtil.h"

namespace {

int runWindow(const qvxutil::Args& args)
{
    if (args.size() != 2)
        throw qvxutil::UsageError{"window needs an operation and a title"};
    const std::string& operation = args[0];
    const std::string& title = args[1];
    bool done = false;
    if (operation == "show")
        done = WindowUtil::showWindow(title);
    else if (operation == "hide")
        done = WindowUtil::hideWindow(title);
    else if (operation == "kill")
        done = WindowUtil::killWindow(title);
    else
        throw qvxutil::UsageError{"unknown window operation '" + operation + "' (show, hide or kill)"};
    if (done)
        return 0;
    if (!WindowUtil::isAppRunning(title))
        std::cerr << "qvxutil: no window is titled '" << title << "'\n";
    else
        std::cerr << "qvxutil: could not " << operation << " the window '" << title << "'\n";
    return 1;
}

const qvxutil::Command::Registration registration{
    {"window", "window show|hide|kill TITLE",
     "show, hide or kill (its owner process) the window with this exact title", &runWindow}};

}  // namespace
