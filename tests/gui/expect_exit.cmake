# cmake -DEXPECT=N -DCOMMAND="prog|arg|..." [-DOUTPUT_MATCH=regex] -P expect_exit.cmake
# Runs the command and fails unless it exits with N (and, when given, its output matches the pattern).
cmake_minimum_required(VERSION 3.25)
string(REPLACE "|" ";" COMMAND "${COMMAND}")
execute_process(COMMAND ${COMMAND} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 300)
if(NOT rc STREQUAL "${EXPECT}")
  message(FATAL_ERROR "exit code ${rc}, expected ${EXPECT}\nstdout: ${out}\nstderr: ${err}")
endif()
if(DEFINED OUTPUT_MATCH AND NOT "${out}${err}" MATCHES "${OUTPUT_MATCH}")
  message(FATAL_ERROR "output does not match '${OUTPUT_MATCH}':\n${out}${err}")
endif()
