# What every end-to-end run of qelvar-cli shares; included by run_cli.cmake and run_transform.cmake.
# Lists arrive with "|" between the items:
#   RUN           the command that starts qelvar-cli (the Wine runner first in cross builds)
#   ARGS          its arguments
#   RC            expected exit code (default 0)
#   STDERR_REGEX  regular expression the standard error must match
#   STDIN         file given to the program as its standard input
#   "@SEMI@" in the regular expressions stands for ";" (a list separator in CMake, which is also why no
#   argument can hold one).
string(ASCII 59 semicolon)
foreach(var STDOUT_REGEX STDERR_REGEX)
  if(DEFINED ${var})
    string(REPLACE "@SEMI@" "${semicolon}" ${var} "${${var}}")
  endif()
endforeach()
string(REPLACE "|" ";" run "${RUN}")
string(REPLACE "|" ";" args "${ARGS}")
if(NOT DEFINED RC)
  set(RC 0)
endif()

# Runs ${run} ${args} once: sets `out` and `err`, and starts `failed` with the exit code and the error
# output checked.
macro(cli_run)
  set(stdin_file /dev/null)
  if(STDIN)
    set(stdin_file "${STDIN}")
  endif()
  execute_process(COMMAND ${run} ${args} INPUT_FILE "${stdin_file}" RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  set(failed "")
  if(NOT rc STREQUAL RC)
    string(APPEND failed "exit code ${rc}, expected ${RC}\n")
  endif()
  if(STDERR_REGEX AND NOT err MATCHES "${STDERR_REGEX}")
    string(APPEND failed "standard error does not match ${STDERR_REGEX}\n")
  endif()
endmacro()

# Fails the test with everything `failed` collected, and what the program printed.
macro(cli_report)
  if(failed)
    message(FATAL_ERROR "qelvar-cli ${args}\n${failed}--- stdout:\n${out}\n--- stderr:\n${err}")
  endif()
endmacro()
