// The threads of this process, for the GUI tests and the benchmarks: a viewer's background load must
// leave none behind. Header-only.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include "win/handles.h"

namespace qelvar {

// The threads of this process now (a background load's worker among them while it runs); -1 if unknown.
inline int ProcessThreadCount() {
  const THandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot) return -1;
  int count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot.Get(), &entry); more; more = Thread32Next(snapshot.Get(), &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  return count;
}

}  // namespace qelvar
