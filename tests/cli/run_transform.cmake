# Runs "qelvar-cli transform" once and checks the exported file. Besides RUN, ARGS, RC and STDERR_REGEX
# (run_common.cmake):
#   ARGS          @OUT@ stands for the output file, which is removed first
#   OUT           the output file
#   EXPECTED      file holding the exact expected bytes of OUT; without it OUT must not exist afterwards
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/run_common.cmake)
list(TRANSFORM args REPLACE "@OUT@" "${OUT}")
get_filename_component(folder "${OUT}" DIRECTORY)
file(REMOVE_RECURSE "${folder}")
if(NOT OUT MATCHES "/missing/")
  file(MAKE_DIRECTORY "${folder}")
endif()

cli_run()
if(EXPECTED)
  if(NOT EXISTS "${OUT}")
    string(APPEND failed "no output file ${OUT}\n")
  else()
    file(READ "${OUT}" got HEX)
    file(READ "${EXPECTED}" want HEX)
    if(NOT got STREQUAL want)
      string(APPEND failed "the output differs from ${EXPECTED}:\n  got  ${got}\n  want ${want}\n")
    endif()
  endif()
elseif(EXISTS "${OUT}")
  string(APPEND failed "an output file was written although the command failed\n")
endif()
cli_report()
