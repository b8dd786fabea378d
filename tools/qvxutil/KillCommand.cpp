// qvxutil kill NAME: kills every process of program NAME (a file name, or a
// full path for that executable only) and prints how many are gone.
#include <algorithm>
#include <iostream>

#include "Command.h"
#include "WindowUtil.h"

namespace {

int runKill(const qvxutil::Args& args)
{
    if (args.size() != 1)
        throw qvxutil::UsageError{"kill needs one name"};
    // The library answers whether any was killed; the count is the matching
    // processes that are gone afterwards (each kill waits for its process).
    const int before = WindowUtil::getNumberOfProcessRunning(args[0]);
    const bool killed = WindowUtil::killProcesses(args[0]);
    const int after = WindowUtil::getNumberOfProcessRunning(args[0]);
    const int gone = killed ? std::max(before - after, 1) : 0;
    std::cout << gone << " killed\n";
    return killed ? 0 : 1;
}

const qvxutil::Command::Registration registration{
    {"kill", "kill NAME", "kill the processes of NAME (name or full path); exit 1 when none", &runKill}};

}  // namespace
