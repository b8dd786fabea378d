// qvxutil find DIR NAME [ARGS...]: the ids of the processes of program NAME in
// DIR ("" for any directory) whose command-line arguments read ARGS (the words
// joined by blanks, no regard to case; any arguments when none are given).
#include <iostream>

#include "Command.h"
#include "WindowUtil.h"

namespace {

int runFind(const qvxutil::Args& args)
{
    if (args.size() < 2)
        throw qvxutil::UsageError{"find needs a directory and a name"};
    std::string arguments = WindowUtil::MatchAnyArgs;
    if (args.size() > 2)
    {
        arguments = args[2];
        for (std::size_t i = 3; i < args.size(); ++i)
            arguments += " " + args[i];
    }
    const std::list<int> ids = WindowUtil::findProcess(args[0], args[1], arguments);
    for (int id : ids)
        std::cout << id << '\n';
    return ids.empty() ? 1 : 0;
}

const qvxutil::Command::Registration registration{
    {"find", "find DIR NAME [ARGS...]",
     "ids of the processes of NAME in DIR (\"\" for any) with these arguments; exit 1 when none", &runFind}};

}  // namespace
