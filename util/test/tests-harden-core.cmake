# Hardening of files, threads, the JNI bridge and the tokenizer: failures that
# must lose nothing, leak nothing and always end.
qvx_add_test(FileSafetyTest SOURCES FileSafetyTest.cpp ASAN)
qvx_add_test(ThreadRestartTest SOURCES ThreadRestartTest.cpp ASAN TSAN)

# The JNI bridge with a host whose Java side answers slowly (main build only,
# like the other JNI tests; its own process, for its own host classes).
if(COMMAND qvx_add_jni_test)
  qvx_java_classes(slow)
  qvx_add_jni_test(JniSlowHostTest JniSlowHostTest.cpp slow)
endif()
qvx_add_test(ParseUtilHugeLineTest SOURCES ParseUtilHugeLineTest.cpp)
