// qvxutil start PROGRAM [ARGS...]: starts PROGRAM (its own directory becomes
// the new process's current directory when it names one; no search path) with
// ARGS joined by blanks as its command line's arguments, and does not wait.
#include <iostream>

#include "Command.h"
#include "ProcessTools.h"
#include "WindowUtil.h"

namespace {

int runStart(const qvxutil::Args& args)
{
    if (args.empty())
        throw qvxutil::UsageError{"start needs a program"};
    int rc;
    if (args.size() == 1)
        rc = WindowUtil::createProcess(args[0]);
    else
    {
        std::string arguments = args[1];
        for (std::size_t i = 2; i < args.size(); ++i)
            arguments += " " + args[i];
        const qvxutil::DirectoryAndName program = qvxutil::splitProgramPath(args[0]);
        rc = WindowUtil::createProcess(program.directory, program.name, arguments, "", "");
    }
    if (rc != 1)
    {
        std::cerr << "qvxutil: cannot start " << args[0] << ": error " << rc << " (" << qvxutil::errorText(rc)
                  << ")\n";
        return 1;
    }
    std::cout << "started " << args[0] << '\n';
    return 0;
}

const qvxutil::Command::Registration registration{
    {"start", "start PROGRAM [ARGS...]", "start PROGRAM (a path; no search path) with ARGS, without waiting",
     &runStart}};

}  // namespace
