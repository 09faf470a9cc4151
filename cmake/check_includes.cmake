# Checks that the includes of src/ run one way: no folder includes a folder above its own, and viewer.h
# (TCsvViewer) is included only by the viewer's coordinators (the files at the top of src/viewer/) and by
# the exports. Run as a test: cmake -DSOURCE_DIR=<repository> -P check_includes.cmake
#
cmake_minimum_required(VERSION 3.25)

# The floors, lowest first; a folder may include its own floor and those below. host and win are
# self-contained kits; platform's Windows seam uses win; the viewer's parts are the floor below its
# coordinators.
set(floor_host 0)
set(floor_win 0)
set(floor_platform 1)
set(floor_document 2)
set(floor_settings 2)
set(floor_grid 3)
set(floor_localization 3)
set(floor_transform 4)
set(floor_viewer_part 5)
set(floor_viewer 6)
set(floor_plugin 7)

# The floor of a path below src/ ("viewer/grid/search.h" is a part, "viewer/input.cpp" a coordinator).
function(floor_of path out)
  string(REGEX MATCH "^[^/]+" folder "${path}")
  if(folder STREQUAL "viewer" AND path MATCHES "^viewer/[^/]+/")
    set(folder viewer_part)
  endif()
  if(NOT DEFINED floor_${folder})
    set(${out} "" PARENT_SCOPE)
  else()
    set(${out} ${floor_${folder}} PARENT_SCOPE)
  endif()
endfunction()

# Shared by the parts and the coordinators alike: the command table, the small guard and the worker thread.
set(viewer_shared "viewer/commands.h" "viewer/flag_held.h" "viewer/worker.h")

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp)
set(faults "")
set(viewer_includers 0)
foreach(source IN LISTS sources)
  floor_of("${source}" own)
  if(own STREQUAL "")
    list(APPEND faults "${source}: a folder without a floor (add it to check_includes.cmake)")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/src/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" included "${line}")
    if(included STREQUAL "viewer/viewer.h")
      math(EXPR viewer_includers "${viewer_includers} + 1")
      if(NOT source MATCHES "^viewer/[^/]+\\.cpp$" AND NOT source STREQUAL "plugin/exports.cpp"
         AND NOT source STREQUAL "viewer/viewer.h")
        list(APPEND faults "${source}: includes viewer/viewer.h (only the coordinators and the exports may)")
      endif()
      continue()
    endif()
    floor_of("${included}" theirs)
    if(theirs STREQUAL "")
      continue()  # a file of the same folder, named without its folder
    endif()
    if(own EQUAL ${floor_viewer_part} AND included IN_LIST viewer_shared)
      continue()
    endif()
    if(theirs GREATER own)
      list(APPEND faults "${source}: includes ${included}, which lies above it")
    endif()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Includes that run the wrong way:\n  ${text}")
endif()
message(STATUS "Includes run one way; viewer.h is included by ${viewer_includers} files.")
