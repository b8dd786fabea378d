#ifndef QVX_TEST_UNIT_TESTING_SWITCH_H
#define QVX_TEST_UNIT_TESTING_SWITCH_H

// Sets "UNIT_TESTING" for a scope and forgets the remembered answer of
// UnitTest::unitTesting() on entry and exit, so that the library sees exactly
// the value set here.
#include "TempDir.h"
#include "UnitTest.h"

namespace qvxtest {

class UnitTestingSwitch
{
public:
    explicit UnitTestingSwitch(const char* value) : _env("UNIT_TESTING", value) { forget(); }
    ~UnitTestingSwitch() { forget(); }
    UnitTestingSwitch(const UnitTestingSwitch&) = delete;
    UnitTestingSwitch& operator=(const UnitTestingSwitch&) = delete;

private:
    struct Forget : UnitTest
    {
        void run() override {}
    };
    static void forget() { Forget f; }  // constructing a UnitTest resets the answer
    ScopedEnv _env;
};

}  // namespace qvxtest

#endif
