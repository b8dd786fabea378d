// qvxutil ls PATTERN DIR: the entries of DIR that match PATTERN, as FileList
// keeps them (the directory followed by the name in upper case).
#include <algorithm>
#include <iostream>

#include "Command.h"
#include "FileList.h"
#include "FileSystem.h"
#include "StringUtil.h"

namespace {

int runLs(const qvxutil::Args& args)
{
    if (args.size() != 2)
        throw qvxutil::UsageError{"ls needs a pattern and a directory"};
    if (!qvx::platform::isDirectory(args[1]))
        throw qvxutil::UsageError{"no such directory: " + args[1]};
    std::string directory = args[1];
    if (directory.empty() || (directory.back() != '\\' && directory.back() != '/'))
        directory += '\\';
    FileList list(args[0], directory);
    // FileList answers only for names it is asked about; the names come from
    // the same search, and each is confirmed through the list.
    std::vector<std::string> names;
    for (const std::string& name : qvx::platform::findFiles(directory + args[0]))
        names.push_back(directory + StringUtil::getUpperCase(name));
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        if (list.findFileInList(name))
            std::cout << name << '\n';
    std::cout << list.getNumberOfFilesInList() << " entries\n";
    return 0;
}

const qvxutil::Command::Registration registration{
    {"ls", "ls PATTERN DIR", "list the entries of DIR matching PATTERN (no regard to case)", &runLs}};

}  // namespace
