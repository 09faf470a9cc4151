# The release package as the user meets it. It is made with the release's own recipe
# (packaging/make-package.sh) from this build's plug-in and, when that build exists, the other
# architecture's plug-in: the win64 tests need no 32-bit build and the win32 tests no 64-bit one (the win32
# tests run after the win64 build in ./test.sh, so there both plug-ins are checked).
#   install-package           makes build/<preset>/install-test/qelvar-<version>.zip
#   install-package-contents  its listing, pluginst.inf, text files and version resources; unpacks it
#   install-host-german       (64-bit) the unpacked plug-in in the stand-in host, with a German language
#                             setting in a qelvar.ini beside it
#   install-cli-package       (64-bit) qelvar-cli-<version>-win64.zip; its listing, texts and version
#                             resource, and the unpacked program's --version under Wine
set(QELVAR_INSTALL_DIR ${CMAKE_BINARY_DIR}/install-test)
# The x86-64 binutils read both kinds of DLL; the i686 ones know only 32-bit files.
find_program(QELVAR_PE_OBJDUMP NAMES x86_64-w64-mingw32-objdump REQUIRED)
find_program(QELVAR_PE_WINDRES NAMES x86_64-w64-mingw32-windres REQUIRED)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(plugin64 $<TARGET_FILE:qelvar>)
  set(plugin32 ${CMAKE_SOURCE_DIR}/build/win32/qelvar.wlx)
  set(other qelvar.wlx)
else()
  set(plugin64 ${CMAKE_SOURCE_DIR}/build/win64/qelvar.wlx64)
  set(plugin32 $<TARGET_FILE:qelvar>)
  set(other qelvar.wlx64)
endif()

add_test(NAME install-package
  COMMAND sh ${CMAKE_SOURCE_DIR}/packaging/make-package.sh --version ${PROJECT_VERSION} --plugin64 ${plugin64}
          --plugin32 ${plugin32} --out ${QELVAR_INSTALL_DIR}/qelvar-${PROJECT_VERSION}.zip --partial)
set_tests_properties(install-package PROPERTIES TIMEOUT 120 FIXTURES_SETUP install-zip)

add_test(NAME install-package-contents
  COMMAND ${CMAKE_COMMAND} -DZIP=${QELVAR_INSTALL_DIR}/qelvar-${PROJECT_VERSION}.zip -DVERSION=${PROJECT_VERSION}
          -DWINDRES=${QELVAR_PE_WINDRES} -DOBJDUMP=${QELVAR_PE_OBJDUMP} -DOPTIONAL=${other}
          -DUNPACK=${QELVAR_INSTALL_DIR}/qelvar -P ${CMAKE_CURRENT_SOURCE_DIR}/check_package.cmake)
set_tests_properties(install-package-contents PROPERTIES TIMEOUT 120
                     FIXTURES_REQUIRED install-zip FIXTURES_SETUP install-unpacked)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  # The GoogleTest program is defined further down; the generator expression finds it all the same. Its
  # install cases skip themselves in the ordinary GUI run, where nothing has been unpacked for them.
  add_test(NAME install-host-german
    COMMAND sh ${QELVAR_WITH_DISPLAY} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:qelvar_gui_tests>
            --gtest_filter=InstallTest.* --gtest_brief=0)
  set_tests_properties(install-host-german PROPERTIES TIMEOUT 600 FIXTURES_REQUIRED install-unpacked
                       ENVIRONMENT QELVAR_INSTALL_TEST=1)
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(cli_zip ${QELVAR_INSTALL_DIR}/qelvar-cli-${PROJECT_VERSION}-win64.zip)
  string(JOIN "|" cli_emulator ${CMAKE_CROSSCOMPILING_EMULATOR})
  add_test(NAME install-cli-package
    COMMAND ${CMAKE_COMMAND} -DMAKE=${CMAKE_SOURCE_DIR}/packaging/make-cli-package.sh -DCLI=$<TARGET_FILE:qelvar-cli>
            -DZIP=${cli_zip} -DVERSION=${PROJECT_VERSION} -DWINDRES=${QELVAR_PE_WINDRES} -DOBJDUMP=${QELVAR_PE_OBJDUMP}
            -DUNPACK=${QELVAR_INSTALL_DIR}/qelvar-cli -DRUN=${cli_emulator}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/check_cli_package.cmake)
  set_tests_properties(install-cli-package PROPERTIES TIMEOUT 300)
endif()
