// qvxutil hash NAME...: the unit-name code of each name, one per line.
#include <iostream>

#include "Command.h"
#include "HashUnit.h"

namespace {

int runHash(const qvxutil::Args& args)
{
    if (args.empty())
        throw qvxutil::UsageError{"hash needs at least one name"};
    for (const std::string& name : args)
        std::cout << HashUnit::getHashName(name) << '\n';
    return 0;
}

const qvxutil::Command::Registration registration{
    {"hash", "hash NAME...",
     "unit-name code of each name (names unchanged while UNIT_TESTING is true)", &runHash}};

}  // namespace
