# kv_add_qtest(name SOURCES ... LIBS ... [ENV ...] [LABELS ...] [TIMEOUT s]):
# one QtTest program per unit, run by CTest from its own build folder.
function(kv_add_qtest name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;ENV;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE kv_project_options Qt6::Test ${ARG_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
  target_compile_definitions(${name} PRIVATE
      KV_SOURCE_DIR="${PROJECT_SOURCE_DIR}" KV_BINARY_DIR="${CMAKE_BINARY_DIR}"
      KV_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  # No test reads the machine's own settings: the machine registry file is one that never exists.
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KELVARA_MACHINE_REGISTRY=${CMAKE_BINARY_DIR}/tests/no-machine-registry.ini;${ARG_ENV}")
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  target_compile_definitions(${name} PRIVATE
      KV_SYSLOG_RECORDER="${CMAKE_BINARY_DIR}/tests/lib/libkv_syslog_recorder.so")
  add_dependencies(${name} kv_syslog_recorder)
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()
