# nlohmann::json comes from Debian's nlohmann-json3-dev. Cross builds must not see the host's whole
# /usr/include, so the one header folder is copied into the build tree and used from there.
set(QELVAR_JSON_SOURCE /usr/include/nlohmann)
if(NOT EXISTS ${QELVAR_JSON_SOURCE}/json.hpp)
  message(FATAL_ERROR "nlohmann/json.hpp not found: run scripts/install-deps.sh")
endif()
set(QELVAR_JSON_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)
file(COPY ${QELVAR_JSON_SOURCE} DESTINATION ${QELVAR_JSON_INCLUDE})
add_library(qelvar_json INTERFACE)
target_include_directories(qelvar_json SYSTEM INTERFACE ${QELVAR_JSON_INCLUDE})
