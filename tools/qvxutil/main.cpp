// qvxutil: the field engineer's command-line tool over the qvxUtil library.
#include <algorithm>
#include <cstring>
#include <iostream>

#include "Command.h"
#include "Exception.h"
#include "XrayTesterException.h"

namespace qvxutil {

namespace {
std::vector<Command>& registry()
{
    static std::vector<Command> all;
    return all;
}
}  // namespace

Command::Registration::Registration(const Command& command)
{
    registry().push_back(command);
}

const std::vector<Command>& commands()
{
    std::vector<Command>& all = registry();
    std::sort(all.begin(), all.end(),
              [](const Command& a, const Command& b) { return std::strcmp(a.name, b.name) < 0; });
    return all;
}

}  // namespace qvxutil

namespace {

const char* const VERSION = QVXUTIL_VERSION;  // the project version, from the build

void printHelp(std::ostream& os)
{
    os << "usage: qvxutil [--help] [--version] COMMAND [ARGS...]\n\ncommands:\n";
    for (const qvxutil::Command& c : qvxutil::commands())
    {
        std::string synopsis = c.synopsis;
        os << "  " << synopsis;
        for (std::size_t i = synopsis.size(); i < 34; ++i)
            os << ' ';
        os << ' ' << c.summary << '\n';
    }
}

int usageError(const std::string& text, const char* synopsis)
{
    std::cerr << "qvxutil: " << text << '\n';
    if (synopsis != nullptr)
        std::cerr << "usage: qvxutil " << synopsis << '\n';
    else
        std::cerr << "usage: qvxutil [--help] [--version] COMMAND [ARGS...]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usageError("no command given (try --help)", nullptr);
    const std::string first = argv[1];
    if (first == "--help" || first == "-h" || first == "help")
    {
        printHelp(std::cout);
        return 0;
    }
    if (first == "--version")
    {
        std::cout << "qvxutil " << VERSION << '\n';
        return 0;
    }
    const qvxutil::Command* command = nullptr;
    for (const qvxutil::Command& c : qvxutil::commands())
        if (first == c.name)
            command = &c;
    if (command == nullptr)
        return usageError("unknown command '" + first + "'", nullptr);

    qvxutil::Args args(argv + 2, argv + argc);
    try
    {
        return command->run(args);
    }
    catch (const qvxutil::UsageError& e)
    {
        return usageError(e.text, command->synopsis);
    }
    catch (const XrayTesterException& e)
    {
        std::cerr << e << '\n';
        return 1;
    }
    catch (const Exception& e)
    {
        std::cerr << "Exception['" << e.getMessage() << "']\n";
        return 1;
    }
}
