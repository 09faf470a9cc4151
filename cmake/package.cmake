# The release zip, made in the 64-bit build from both plug-ins:
#   cmake --build --preset win64 --target release-zip
# writes build/qelvar-<version>.zip and checks it (scripts/package.sh builds the 32-bit plug-in first);
#   cmake --build --preset win64 --target release-cli-zip
# writes build/qelvar-cli-<version>-win64.zip (the 64-bit qelvar-cli.exe, its readme and licence).
# The recipe itself is packaging/make-package.sh; the tests in tests/gui use the same recipe.
find_program(QELVAR_OBJDUMP NAMES ${QELVAR_MINGW}-objdump objdump)
set(QELVAR_PLUGIN32 ${CMAKE_SOURCE_DIR}/build/win32/qelvar.wlx CACHE FILEPATH
    "The 32-bit plug-in that goes into the release zip (built by the win32 preset)")
set(QELVAR_RELEASE_ZIP ${CMAKE_SOURCE_DIR}/build/qelvar-${PROJECT_VERSION}.zip)
add_custom_target(release-zip
  COMMAND sh ${CMAKE_SOURCE_DIR}/packaging/make-package.sh --version ${PROJECT_VERSION}
          --plugin64 $<TARGET_FILE:qelvar> --plugin32 ${QELVAR_PLUGIN32} --out ${QELVAR_RELEASE_ZIP}
  COMMAND ${CMAKE_COMMAND} -DZIP=${QELVAR_RELEASE_ZIP} -DVERSION=${PROJECT_VERSION} -DWINDRES=${CMAKE_RC_COMPILER}
          -DOBJDUMP=${QELVAR_OBJDUMP} -DUNPACK=${CMAKE_BINARY_DIR}/release-check
          -P ${CMAKE_SOURCE_DIR}/tests/gui/check_package.cmake
  COMMENT "Making and checking ${QELVAR_RELEASE_ZIP}"
  VERBATIM)
add_dependencies(release-zip qelvar)

# The command-line tool's zip beside it: build/qelvar-cli-<version>-win64.zip.
set(QELVAR_CLI_ZIP ${CMAKE_SOURCE_DIR}/build/qelvar-cli-${PROJECT_VERSION}-win64.zip)
string(JOIN "|" QELVAR_CLI_EMULATOR ${CMAKE_CROSSCOMPILING_EMULATOR})
add_custom_target(release-cli-zip
  COMMAND ${CMAKE_COMMAND} -DMAKE=${CMAKE_SOURCE_DIR}/packaging/make-cli-package.sh -DCLI=$<TARGET_FILE:qelvar-cli>
          -DZIP=${QELVAR_CLI_ZIP} -DVERSION=${PROJECT_VERSION} -DWINDRES=${CMAKE_RC_COMPILER} -DOBJDUMP=${QELVAR_OBJDUMP}
          -DUNPACK=${CMAKE_BINARY_DIR}/release-cli-check -DRUN=${QELVAR_CLI_EMULATOR}
          -P ${CMAKE_SOURCE_DIR}/tests/gui/check_cli_package.cmake
  COMMAND ${CMAKE_COMMAND} -E echo ${QELVAR_CLI_ZIP}
  COMMENT "Making and checking ${QELVAR_CLI_ZIP}"
  VERBATIM)
add_dependencies(release-cli-zip qelvar-cli)
