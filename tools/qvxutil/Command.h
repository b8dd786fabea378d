#ifndef QVXUTIL_COMMAND_H
#define QVXUTIL_COMMAND_H

#include <string>
#include <vector>

class XrayTesterException;

// A subcommand of the qvxutil program. Each lives in its own *Command.cpp and
// registers itself with a static Command::Registration, so adding one touches
// no other file.
namespace qvxutil {

using Args = std::vector<std::string>;

// Thrown for bad usage: main prints the text and the usage line to standard
// error and exits with code 2.
struct UsageError
{
    std::string text;
};

struct Command
{
    const char* name;
    const char* synopsis;  // e.g. "hash NAME..."
    const char* summary;   // one line for --help
    int (*run)(const Args& args);  // args exclude the command name

    struct Registration
    {
        explicit Registration(const Command& command);
    };
};

const std::vector<Command>& commands();

// How the tool shows a library exception on standard error:
// "qvxutil: KEY['message', p1, ...]". Where a socket failure's message ends in
// the host's error code, the host's text for it follows the number:
// "... error code: 111 (Connection refused)".
std::string describeFailure(const XrayTesterException& e);

}  // namespace qvxutil

#endif
