# Time and threads: calendar time, stopwatch, named thread groups, observer.
qvx_add_test(ThreadTest SOURCES ThreadTest.cpp ASAN TSAN)
