# Tolerant numbers, statistics, rotation and unit-name codes.
qvx_add_test(NumbersTest SOURCES DoubleTest.cpp MathUtilTest.cpp HashUnitTest.cpp ASAN)
qvx_add_script_test(NumbersToolTest numbers-tool.sh)
