// qvxutil: the field engineer's command-line tool over the qvxUtil library.
//
// Exit codes: 0 success, 2 usage errors, 1 every failure. Whatever a command
// throws ends here with a "qvxutil: " line on standard error and exit code 1:
// library exceptions, the message-only Exception, standard exceptions (running
// out of memory included) and anything else; the tool never ends in a core
// dump because of an exception.
#include <algorithm>
#include <cstring>
#include <iostream>
#include <new>
#include <sstream>
#include <stdexcept>

#include "Command.h"
#include "Exception.h"
#include "Socket.h"
#include "SocketException.h"
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

namespace {
// The message with the host's text after a trailing error code. Only socket
// failures end in a code (the host-name lookup in the resolver's own codes).
std::string withHostErrorText(const XrayTesterException& e)
{
    std::string message = e.getMessage();
    if (dynamic_cast<const SocketException*>(&e) == nullptr)
        return message;
    std::size_t digits = message.size();
    while (digits > 0 && message[digits - 1] >= '0' && message[digits - 1] <= '9')
        --digits;
    std::size_t start = digits;
    if (start > 0 && message[start - 1] == '-')
        --start;
    // A code is a number of its own (after a blank or a colon), at most 10 digits.
    if (digits == message.size() || message.size() - digits > 10 || start == 0 ||
        (message[start - 1] != ' ' && message[start - 1] != ':'))
        return message;
    const int code = static_cast<int>(std::stol(message.substr(start)));
    const std::string text = e.getKey() == "SOCKET_GET_HOST_BY_NAME_ERROR_KEY"
                                 ? qvx::platform::socketLookupErrorText(code)
                                 : qvx::platform::socketErrorText(code);
    if (!text.empty())
        message += " (" + text + ")";
    return message;
}
}  // namespace

std::string describeFailure(const XrayTesterException& e)
{
    std::ostringstream os;
    os << "qvxutil: " << e.getKey() << "['" << withHostErrorText(e) << "'";
    for (const std::string& parameter : e.getParameters())
        os << ", " << parameter;
    os << ']';
    return os.str();
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

int runCommandLine(int argc, char** argv)
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
}

}  // namespace

int main(int argc, char** argv)
{
    try
    {
        return runCommandLine(argc, argv);
    }
    catch (const XrayTesterException& e)
    {
        std::cerr << qvxutil::describeFailure(e) << '\n';
    }
    catch (const Exception& e)
    {
        std::cerr << "qvxutil: " << e.getMessage() << '\n';
    }
    catch (const std::bad_alloc&)
    {
        std::cerr << "qvxutil: out of memory\n";
    }
    catch (const std::exception& e)
    {
        std::cerr << "qvxutil: " << e.what() << '\n';
    }
    catch (...)
    {
        std::cerr << "qvxutil: unexpected failure\n";
    }
    return 1;
}
