# A valgrind memcheck of a short console run of the program, as the ctest test
# "memcheck_console_run" labelled memcheck. Valgrind cannot run a sanitized
# binary, so the test exists only in builds without sanitizers, and only where
# valgrind is installed.
if(KELVRA_SANITIZE OR KELVRA_FUZZ OR NOT TARGET kelvra)
  return()
endif()
find_program(KELVRA_VALGRIND valgrind)
if(NOT KELVRA_VALGRIND)
  message(STATUS "valgrind not found: no memcheck test")
  return()
endif()
add_test(NAME memcheck_console_run
  COMMAND ${CMAKE_COMMAND}
    -DVALGRIND=${KELVRA_VALGRIND}
    -DKELVRA=$<TARGET_FILE:kelvra>
    -DDATA_DIR=${PROJECT_SOURCE_DIR}/data
    -DWORK_DIR=${PROJECT_BINARY_DIR}/memcheck
    -P ${PROJECT_SOURCE_DIR}/cmake/MemcheckRun.cmake)
set_tests_properties(memcheck_console_run PROPERTIES LABELS memcheck TIMEOUT 900)
