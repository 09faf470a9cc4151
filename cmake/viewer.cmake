# The viewer's sources, in one place. Its rules that need no window (the command table and key bindings,
# the load choices, the status texts, the next search match, the sizes from the DPI and the font, which
# cells the editor opens on, the decimal alignment of numeric columns, the background load's worker, which files are declined, what a reload keeps of the view, the column profile's worker, the grid's rows computed aside) are portable: they form
# qelvar_viewer_rules, which every preset builds and the unit tests run natively. Everything else under
# src/viewer/ is Windows only and goes into the plug-in DLL.
set(QELVAR_VIEWER_RULE_SOURCES
  src/viewer/commands.cpp
  src/viewer/chrome/status_texts.cpp
  src/viewer/grid/decimal_columns.cpp
  src/viewer/grid/rows_job.cpp
  src/viewer/grid/search.cpp
  src/viewer/edit/cell_target.cpp
  src/viewer/load/background_load.cpp
  src/viewer/load/decline_rule.cpp
  src/viewer/load/kept_view.cpp
  src/viewer/profile/profile_job.cpp
  src/viewer/load/load_choices.cpp
  src/viewer/look/metrics.cpp)
list(TRANSFORM QELVAR_VIEWER_RULE_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
add_library(qelvar_viewer_rules STATIC ${QELVAR_VIEWER_RULE_SOURCES})
find_package(Threads REQUIRED)
target_link_libraries(qelvar_viewer_rules PUBLIC qelvar_core Threads::Threads PRIVATE qelvar_warnings)

if(WIN32)
  file(GLOB_RECURSE QELVAR_VIEWER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/viewer/*.cpp)
  list(REMOVE_ITEM QELVAR_VIEWER_SOURCES ${QELVAR_VIEWER_RULE_SOURCES})
endif()
