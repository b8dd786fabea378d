#ifndef QVX_UNIT_TEST_H
#define QVX_UNIT_TEST_H

#include <atomic>
#include <string>

#include "QvxExport.h"

// Whether the process runs as a unit test ("UNIT_TESTING" set to true in any
// letter case), where the regression-test data lies
// ("CPP_REGRESSION_TEST_DATA_DIR"), and the base class of native test cases.
// A true answer is remembered until a UnitTest is constructed; a false one is
// read again at the next call.
class QVXUTIL_API UnitTest
{
protected:
    UnitTest();
    // Declared before run() so that the destructor keeps the first virtual slot.
    virtual ~UnitTest();

public:
    static bool unitTesting();
    // Prints "Environmental variable CPP_REGRESSION_TEST_DATA_DIR not defined"
    // on standard output, once per call, when the directory is empty.
    std::string getTestDataDir() const;

    // The test case's body. Its name and signature are ours to choose: a test
    // case runs with no arguments and reports failures through checks or
    // exceptions, so void run() is all a test case needs.
    virtual void run() = 0;

private:
    std::string _testDataDir;
    static std::atomic<bool> _unitTesting;
};

// 1 while UnitTest::unitTesting() is true, else 0.
QVXUTIL_C_API int unitTesting();

#endif
