#!/bin/sh
# freed_memory.sh GUI_TESTS_EXE FILTER EMULATOR...: runs GUI cases with Wine's heap filling every freed block
# (0xfeee...), so that a handler still reading an object replaced during a modal loop fails at once
# instead of reading stale but intact bytes. Wine takes that heap flag per program name from the image
# options, so the suite runs as a copy under a name of its own and the other runs stay unchecked.
set -eu
exe=$1 filter=$2
shift 2
copy=$(dirname "$exe")/qelvar_gui_freed.exe
cp "$exe" "$copy"
# 0x30: free checking and tail checking of the heap.
"$@" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Image File Execution Options\qelvar_gui_freed.exe' \
  /v GlobalFlag /t REG_DWORD /d 0x30 /f >/dev/null
exec "$@" "$copy" --gtest_brief=0 "--gtest_filter=$filter"
