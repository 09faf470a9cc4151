# CLI11 (the command-line tool's argument parser) comes from Debian's libcli11-dev. As with nlohmann
# json, cross builds must not see the host's whole /usr/include: the one header folder is copied.
set(QELVAR_CLI11_SOURCE /usr/include/CLI)
if(NOT EXISTS ${QELVAR_CLI11_SOURCE}/CLI.hpp)
  message(FATAL_ERROR "CLI/CLI.hpp not found: run scripts/install-deps.sh")
endif()
set(QELVAR_CLI11_INCLUDE ${CMAKE_BINARY_DIR}/third_party/cli11)
file(COPY ${QELVAR_CLI11_SOURCE} DESTINATION ${QELVAR_CLI11_INCLUDE})
add_library(qelvar_cli11 INTERFACE)
target_include_directories(qelvar_cli11 SYSTEM INTERFACE ${QELVAR_CLI11_INCLUDE})
