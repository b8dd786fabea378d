# Error frame: checks, modes, keyed exceptions, unit-test support.
qvx_add_test(AssertTest SOURCES AssertTest.cpp ASAN)
qvx_add_test(ExceptionFamilyTest SOURCES ExceptionFamilyTest.cpp ASAN)
qvx_add_test(ErrorFrameThreadTest SOURCES ErrorFrameThreadTest.cpp ASAN TSAN)

# The JNI bridge against a real JVM (main build only: a JVM under the
# sanitizers is unreliable). The host classes are compiled here from java/;
# each host variant needs its own process, since a process has one JVM.
if(NOT QVX_SANITIZE AND Java_JAVAC_EXECUTABLE)
  # qvx_java_classes(name): compiles java/<name>/**.java into build/java/<name>.
  function(qvx_java_classes name)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/java/${name}/*.java)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/java/${name})
    add_custom_command(OUTPUT ${out}.stamp
      COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
      COMMAND ${Java_JAVAC_EXECUTABLE} -nowarn -d ${out} ${sources}
      COMMAND ${CMAKE_COMMAND} -E touch ${out}.stamp
      DEPENDS ${sources} VERBATIM)
    add_custom_target(java_${name} DEPENDS ${out}.stamp)
  endfunction()
  qvx_java_classes(host)
  qvx_java_classes(incomplete)
  qvx_java_classes(late)

  # qvx_add_jni_test(Name source classes-dir...)
  function(qvx_add_jni_test name source classes)
    qvx_add_test(${name} SOURCES ${source} LIBS ${JAVA_JVM_LIBRARY})
    target_include_directories(${name} PRIVATE ${JNI_INCLUDE_DIRS})
    target_compile_definitions(${name} PRIVATE
      QVX_JAVA_CLASS_PATH="${CMAKE_CURRENT_BINARY_DIR}/java/${classes}"
      QVX_LATE_ASSERT_CLASS="${CMAKE_CURRENT_BINARY_DIR}/java/late/com/torvane/util/Assert.class")
    add_dependencies(${name} java_${classes} java_late)
  endfunction()
  qvx_add_jni_test(JniBridgeTest JniBridgeTest.cpp host)
  qvx_add_jni_test(JniIncompleteHostTest JniIncompleteHostTest.cpp incomplete)
endif()

# The installed package builds a consumer (CMake package and pkg-config), and
# the qvxutil program's frame behaves.
qvx_add_script_test(InstallConsumerTest scripts/install-consumer.sh)
qvx_add_script_test(QvxutilCliTest scripts/qvxutil-cli.sh)
