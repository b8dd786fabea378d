# Error frame: checks, modes, keyed exceptions, unit-test support.
qvx_add_test(AssertTest SOURCES AssertTest.cpp ASAN)
qvx_add_test(ExceptionFamilyTest SOURCES ExceptionFamilyTest.cpp ASAN)
