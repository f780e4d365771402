# Runs `kelvra --console --history` under valgrind's memcheck in a fresh copy of
# the data folder, over a history of 20 rows (0.1 s of full traction, then the
# full brake), with nothing on standard input. Fails on any memcheck error and
# on any definitely lost block.
#   cmake -DVALGRIND=... -DKELVRA=... -DDATA_DIR=... -DWORK_DIR=... -P MemcheckRun.cmake
foreach(variable VALGRIND KELVRA DATA_DIR WORK_DIR)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "MemcheckRun.cmake needs -D${variable}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK_DIR})
file(COPY ${DATA_DIR}/ DESTINATION ${WORK_DIR} PATTERN demo_history.in EXCLUDE)
file(MAKE_DIRECTORY ${WORK_DIR}/results)

set(history "EFD\n20 5\n")
foreach(row RANGE 1 10)
  string(APPEND history "0 0 0 0 100000\n")
endforeach()
foreach(row RANGE 1 10)
  string(APPEND history "25000 25000 25000 25000 0\n")
endforeach()
file(WRITE ${WORK_DIR}/memcheck_history.in "${history}")
file(WRITE ${WORK_DIR}/empty_input "")

execute_process(
  COMMAND ${VALGRIND} --tool=memcheck --error-exitcode=99 --leak-check=full
          --errors-for-leak-kinds=definite --show-leak-kinds=definite --track-origins=yes
          --log-file=${WORK_DIR}/valgrind.log
          ${KELVRA} --console --history memcheck_history.in
  WORKING_DIRECTORY ${WORK_DIR}
  INPUT_FILE ${WORK_DIR}/empty_input
  RESULT_VARIABLE exit_code
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors)

file(READ ${WORK_DIR}/valgrind.log report)
if(NOT exit_code EQUAL 0)
  message(FATAL_ERROR "kelvra under valgrind exited with ${exit_code} (99: memcheck errors)\n"
                      "--- valgrind ---\n${report}\n--- stdout ---\n${output}\n--- stderr ---\n${errors}")
endif()
# The run itself must have happened: the simulation and the validator both finished.
string(REGEX MATCHALL "Done in" finished "${output}")
list(LENGTH finished finished_count)
if(NOT finished_count EQUAL 2)
  message(FATAL_ERROR "the console run did not finish both runs:\n${output}\n${errors}")
endif()
string(REGEX MATCH "ERROR SUMMARY: [0-9]+ errors" summary "${report}")
message(STATUS "memcheck: ${summary}")
