// qvxutil now: the current time as the time classes print it.
#include <iostream>

#include "Command.h"
#include "CurrentTime.h"
#include "Timer.h"

namespace {

int runNow(const qvxutil::Args& args)
{
    if (!args.empty())
        throw qvxutil::UsageError{"now takes no arguments"};
    const CurrentTime now;
    Timer timer;
    std::cout << now << '\n' << timer.getCurrentTime();  // the timer's text ends in a line feed
    return 0;
}

const qvxutil::Command::Registration registration{
    {"now", "now", "print the current time (calendar text, then the timer's text)", &runNow}};

}  // namespace
