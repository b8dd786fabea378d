#ifndef QVXUTIL_PROCESS_TOOLS_H
#define QVXUTIL_PROCESS_TOOLS_H

// What the process subcommands share.
#include <string>

namespace qvxutil {

struct DirectoryAndName
{
    std::string directory;  // "" when the text names no directory
    std::string name;
};

// Splits a program path (either separator) into its directory and file name.
DirectoryAndName splitProgramPath(const std::string& path);

// The host's text for an error code a start returned.
std::string errorText(int code);

}  // namespace qvxutil

#endif
