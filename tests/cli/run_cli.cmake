# Runs qelvar-cli once and checks what it did. Besides RUN, ARGS, RC and STDERR_REGEX (run_common.cmake):
#   ARGS          @FILE@ stands for the file under test
#   INPUT         the file under test; with WORK it is first copied there and the copy is used
#   STDOUT        file holding the exact expected standard output
#   STDOUT_REGEX  regular expression the standard output must match
#   RESULT        file holding the exact expected bytes of WORK afterwards
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/run_common.cmake)
set(file "${INPUT}")
if(WORK)
  get_filename_component(folder "${WORK}" DIRECTORY)
  file(REMOVE_RECURSE "${folder}")
  file(MAKE_DIRECTORY "${folder}")
  file(COPY_FILE "${INPUT}" "${WORK}")
  set(file "${WORK}")
endif()
list(TRANSFORM args REPLACE "@FILE@" "${file}")

cli_run()
if(STDOUT)
  file(READ "${STDOUT}" expected)
  if(NOT out STREQUAL expected)
    string(APPEND failed "standard output differs from ${STDOUT}\n")
  endif()
endif()
if(STDOUT_REGEX AND NOT out MATCHES "${STDOUT_REGEX}")
  string(APPEND failed "standard output does not match ${STDOUT_REGEX}\n")
endif()
if(RESULT)
  file(READ "${file}" got HEX)
  file(READ "${RESULT}" want HEX)
  if(NOT got STREQUAL want)
    string(APPEND failed "the file differs from ${RESULT}:\n  got  ${got}\n  want ${want}\n")
  endif()
  # Nothing but the file itself may be left in its folder (no temporary files).
  get_filename_component(folder "${file}" DIRECTORY)
  file(GLOB leftovers "${folder}/*")
  list(REMOVE_ITEM leftovers "${file}")
  if(leftovers)
    string(APPEND failed "files left behind: ${leftovers}\n")
  endif()
endif()
cli_report()
