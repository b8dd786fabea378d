// qvxutil compare [--text] A B: whether two files hold the same characters
// other than whitespace. Files of different sizes always differ: white space
// may lie elsewhere in the other file ("a b" and "ab "), but not be more or
// less of it ("a b" and "ab"). Exit code 0 equal, 1 different, 2 error.
#include <iostream>

#include "Command.h"
#include "FileName.h"
#include "XrayTesterException.h"

namespace {

int runCompare(const qvxutil::Args& args)
{
    bool text = false;
    std::size_t first = 0;
    if (!args.empty() && args[0] == "--text")
    {
        text = true;
        first = 1;
    }
    if (args.size() != first + 2)
        throw qvxutil::UsageError{"compare needs two files"};
    const std::string& a = args[first];
    const std::string& b = args[first + 1];
    if (a.empty() || b.empty())
        throw qvxutil::UsageError{"file names must not be empty"};
    try
    {
        FileName f;
        const bool equal = text ? f.doTextFilesCompare(a, b) : f.doBinaryFilesCompare(a, b);
        std::cout << (equal ? "equal" : "different") << '\n';
        return equal ? 0 : 1;
    }
    catch (const XrayTesterException& e)
    {
        std::cerr << qvxutil::describeFailure(e) << '\n';
        return 2;
    }
}

const qvxutil::Command::Registration registration{
    {"compare", "compare [--text] A B",
     "equal when both have one size and the same characters other than white"
     " space, wherever it lies (exit 0 equal, 1 different, 2 error)", &runCompare}};

}  // namespace
