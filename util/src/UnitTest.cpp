#include "UnitTest.h"

#include <cstdlib>
#include <iostream>

std::atomic<bool> UnitTest::_unitTesting{false};

UnitTest::UnitTest()
{
    _unitTesting = false;
    if (const char* dir = std::getenv("CPP_REGRESSION_TEST_DATA_DIR"))
        _testDataDir = dir;
}

UnitTest::~UnitTest() = default;

bool UnitTest::unitTesting()
{
    if (_unitTesting)
        return true;
    const char* value = std::getenv("UNIT_TESTING");
    if (value == nullptr)
        return false;
    std::string lower(value);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (lower == "true")
    {
        _unitTesting = true;
        return true;
    }
    return false;
}

std::string UnitTest::getTestDataDir() const
{
    if (_testDataDir.empty())
        std::cout << "Environmental variable CPP_REGRESSION_TEST_DATA_DIR not defined" << std::endl;
    return _testDataDir;
}

int unitTesting()
{
    return UnitTest::unitTesting() ? 1 : 0;
}
