# cmake -DOBJDUMP=... -DDLL=... -P check_exports.cmake
cmake_minimum_required(VERSION 3.25)
# The plug-in's export table must hold exactly the eight Lister functions, undecorated, and the DLL may
# import only libraries that every Windows installation has (uxtheme is loaded at run time, not linked).
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()

set(expected ListCloseWindow ListGetDetectString ListLoad ListLoadW ListSearchText ListSearchTextW
             ListSendCommand ListSetDefaultParams)

# Lines of the name pointer table look like "	[   3] ListLoadW"; the table ends at a blank line.
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" at)
if(at LESS 0)
  message(FATAL_ERROR "${DLL} has no export name table")
endif()
string(SUBSTRING "${dump}" ${at} -1 table)
string(FIND "${table}" "\n\n" end)
string(SUBSTRING "${table}" 0 ${end} table)
string(REGEX MATCHALL "\n\t\\[ *[0-9]+\\] [^\n]*" entries "${table}")
# Exports by ordinal only would not appear by name: the address table must not be longer.
string(REGEX MATCHALL "Export RVA" addresses "${dump}")
list(LENGTH addresses address_count)
if(NOT address_count EQUAL 8)
  message(FATAL_ERROR "${DLL} exports ${address_count} addresses, not the eight Lister functions")
endif()
set(names "")
foreach(entry ${entries})
  string(REGEX REPLACE "\n\t\\[ *[0-9]+\\] " "" name "${entry}")
  string(STRIP "${name}" name)
  list(APPEND names "${name}")
endforeach()
list(SORT names)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "export table of ${DLL}:\n  found:    ${names}\n  expected: ${expected}")
endif()

set(allowed advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll
            shell32.dll user32.dll)
string(REGEX MATCHALL "DLL Name: [^\n]*" imports "${dump}")
if(NOT imports)
  message(FATAL_ERROR "no import table found in ${DLL}")
endif()
foreach(entry ${imports})
  string(REGEX REPLACE "DLL Name: " "" dll "${entry}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  if(NOT dll IN_LIST allowed)
    message(FATAL_ERROR "${DLL} imports ${dll}, which is not a Windows system library")
  endif()
endforeach()
message(STATUS "exports: ${names}; imports: ${imports}")
