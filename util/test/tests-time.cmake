# Time and threads: calendar time, stopwatch, named thread groups and the
# thread-safe observer.
qvx_add_test(ThreadTest SOURCES ThreadTest.cpp ASAN TSAN)
qvx_add_test(TimeTest SOURCES TimeTest.cpp ASAN)
qvx_add_script_test(NowCommand scripts/now-command.sh)
qvx_add_test(ThreadStressTest SOURCES ThreadStressTest.cpp ASAN TSAN)
