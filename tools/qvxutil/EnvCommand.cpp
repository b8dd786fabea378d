// qvxutil env: what the library reads from this environment.
#include <iostream>

#include "Command.h"
#include "UnitTest.h"

namespace {

class TestDataProbe : public UnitTest
{
public:
    void run() override {}
};

int runEnv(const qvxutil::Args& args)
{
    if (!args.empty())
        throw qvxutil::UsageError{"env takes no arguments"};
    // Asked before a UnitTest is made, which would reset the remembered answer.
    const bool testing = UnitTest::unitTesting();
    std::cout << "unit testing:   " << (testing ? "yes" : "no") << '\n';
    TestDataProbe probe;
    const std::string dir = probe.getTestDataDir();  // prints a notice when unset
    std::cout << "test data dir:  " << (dir.empty() ? "(not set)" : dir) << '\n';
    return 0;
}

const qvxutil::Command::Registration registration{
    {"env", "env", "show unit-testing detection and the test-data directory", &runEnv}};

}  // namespace
