# The plug-in DLL (qelvar.wlx64 / qelvar.wlx) and the stand-in host. Both appear once their sources exist.
# Resource scripts (manifests) are compiled with the toolchain's windres.
enable_language(RC)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QELVAR_PLUGIN_SUFFIX ".wlx64")
  set(QELVAR_ARCHITECTURE "x86-64")
else()
  set(QELVAR_PLUGIN_SUFFIX ".wlx")
  set(QELVAR_ARCHITECTURE "x86")
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/src/plugin/exports.cpp)
  # The version resource, generated from the project version for this architecture.
  configure_file(${CMAKE_SOURCE_DIR}/src/plugin/version.rc.in ${CMAKE_BINARY_DIR}/generated/qelvar_version.rc @ONLY)
  add_library(qelvar SHARED src/plugin/exports.cpp src/plugin/qelvar.def ${QELVAR_VIEWER_SOURCES}
              ${CMAKE_BINARY_DIR}/generated/qelvar_version.rc)
  target_link_libraries(qelvar PRIVATE qelvar_viewer_rules qelvar_core qelvar_warnings comctl32 comdlg32 gdi32 user32 shell32 kernel32)
  set_target_properties(qelvar PROPERTIES PREFIX "" OUTPUT_NAME "qelvar" SUFFIX "${QELVAR_PLUGIN_SUFFIX}")
  # The .def file names the exports; nothing else may leak into the export table.
  target_link_options(qelvar PRIVATE -Wl,--kill-at -Wl,--exclude-all-symbols)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # qelvar.def names the plain functions; on x86 the linker maps each to its stdcall symbol
    # (ListLoad -> _ListLoad@12). That is intended, so it need not warn about it.
    target_link_options(qelvar PRIVATE -Wl,--enable-stdcall-fixup)
  endif()
  # Language files travel beside the plug-in in a folder "language".
  add_custom_command(TARGET qelvar POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:qelvar>/language
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/lang $<TARGET_FILE_DIR:qelvar>/language)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    include(${CMAKE_CURRENT_LIST_DIR}/package.cmake)
  endif()
endif()

# qelvar-cli.exe carries a version resource of its own.
configure_file(${CMAKE_SOURCE_DIR}/tools/qelvar-cli/version.rc.in ${CMAKE_BINARY_DIR}/generated/qelvar_cli_version.rc @ONLY)
target_sources(qelvar-cli PRIVATE ${CMAKE_BINARY_DIR}/generated/qelvar_cli_version.rc)

file(GLOB QELVAR_HOST_SOURCES CONFIGURE_DEPENDS tools/lister-host/*.cpp tools/lister-host/*.rc)
if(QELVAR_HOST_SOURCES)
  add_executable(qelvar-host WIN32 ${QELVAR_HOST_SOURCES})
  target_link_libraries(qelvar-host PRIVATE qelvar_warnings comctl32 gdi32 user32 shell32 kernel32)
  target_include_directories(qelvar-host PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_link_options(qelvar-host PRIVATE -municode)
endif()

# Benchmarks that need the plug-in and a window run under Wine: built by the Windows presets.
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/windows/CMakeLists.txt)
  add_subdirectory(bench/windows)
endif()
