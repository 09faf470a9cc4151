# qelvar-cli view on a table far larger than a pipe holds, read by a program that stops after a few bytes:
# qelvar-cli must end at once, with no message and exit code 0. (CMake drops the CR of CR LF from what it
# reads.)
cmake_minimum_required(VERSION 3.25)
file(MAKE_DIRECTORY "${WORK}")
set(table "${WORK}/big.csv")
string(REPEAT "1234567890,abcdefghij,klmnopqrst\n" 50000 rows)
file(WRITE "${table}" "a,b,c\n${rows}")
execute_process(COMMAND "${CLI}" view "${table}" --format csv COMMAND head -c 10
                RESULTS_VARIABLE codes OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
list(GET codes 0 rc)
if(NOT rc STREQUAL "0" OR NOT err STREQUAL "" OR NOT out MATCHES "^a,b,c\r?\n123")
  string(HEX "${out}" hex)
  message(FATAL_ERROR "exit codes ${codes}\n--- stdout (${hex}):\n${out}\n--- stderr:\n${err}")
endif()
