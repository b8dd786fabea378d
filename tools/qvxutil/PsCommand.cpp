// qvxutil ps [NAME]: the running processes, or those NAME finds, one a line:
// id, name, executable path ("-" when it cannot be read) and command line,
// separated by tabs.
#include <algorithm>
#include <iostream>
#include <vector>

#include "Command.h"
#include "ProcessTable.h"
#include "ProcessTools.h"
#include "WindowUtil.h"

namespace {

int runPs(const qvxutil::Args& args)
{
    if (args.size() > 1)
        throw qvxutil::UsageError{"ps takes at most one name"};
    std::vector<qvx::platform::ProcessEntry> all;
    std::string failure;
    if (!qvx::platform::snapshotProcesses(all, qvx::platform::AllProcessFields, &failure))
    {
        std::cerr << "qvxutil: cannot read the process table: " << failure << '\n';
        return 1;
    }
    std::list<int> wanted;
    if (!args.empty())
    {
        const qvxutil::DirectoryAndName where = qvxutil::splitProgramPath(args[0]);
        wanted = WindowUtil::findProcess(where.directory, where.name);
    }
    for (const qvx::platform::ProcessEntry& p : all)
    {
        if (!args.empty() && std::find(wanted.begin(), wanted.end(), p.id) == wanted.end())
            continue;
        std::cout << p.id << '\t' << p.name << '\t' << (p.hasPath ? p.path : "-") << '\t' << p.commandLine << '\n';
    }
    return 0;
}

const qvxutil::Command::Registration registration{
    {"ps", "ps [NAME]",
     "list processes (all, or by name or full path): id, name, path, command line", &runPs}};

}  // namespace
