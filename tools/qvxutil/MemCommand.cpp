// qvxutil mem: this machine's physical memory in kilobytes of 1000 bytes.
#include <iostream>

#include "Command.h"
#include "WindowUtil.h"

namespace {

int runMem(const qvxutil::Args& args)
{
    if (!args.empty())
        throw qvxutil::UsageError{"mem takes no arguments"};
    std::cout << WindowUtil::getSizeOfPhysicalMemoryInKiloBytes() << '\n';
    return 0;
}

const qvxutil::Command::Registration registration{
    {"mem", "mem", "physical memory in kilobytes of 1000 bytes", &runMem}};

}  // namespace
