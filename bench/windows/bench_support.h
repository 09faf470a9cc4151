// What the Windows benchmarks share: the generated table, a host window, the message pump and the
// status bar's row part.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>

#include "win/files.h"

namespace qelvar::bench {

using Clock = std::chrono::steady_clock;

inline double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The fallback table: an id, a name with digits, a city, a price with two decimals, a quantity, a date
// and a comment that is sometimes quoted. Deterministic (xorshift).
inline std::string GenerateTable(std::size_t targetBytes) {
  static const char* const kWords[] = {"alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf", "hotel",
                                       "india", "juliett", "kilo", "lima", "mike", "november", "oscar", "papa"};
  static const char* const kCities[] = {"Berlin", "Kyiv", "Lisbon", "Oslo", "Zürich", "Москва", "Praha", "Wien",
                                        "Kraków", "Łódź", "Genève", "Tallinn"};
  static const char* const kComments[] = {"", "ok", "\"late, again\"", "checked", "\"said \"\"fine\"\"\"",
                                          "returned", "", "priority"};
  std::uint32_t state = 20240611;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };
  std::string out;
  out.reserve(targetBytes + 256);
  out += "id,name,city,price,quantity,date,comment\r\n";
  char line[256];
  for (std::uint64_t id = 1; out.size() < targetBytes; ++id) {
    const std::uint32_t r = next(), s = next();
    const int n = std::snprintf(line, sizeof line, "%llu,%s %s %u,%s,%u.%02u,%u,20%02u-%02u-%02u,%s\r\n",
                                static_cast<unsigned long long>(id), kWords[r % 16], kWords[(r >> 4) % 16],
                                (r >> 8) % 100000, kCities[s % 12], (s >> 4) % 10000, (s >> 20) % 100,
                                (r >> 24) % 500, 10 + (s >> 8) % 15, 1 + (s >> 12) % 12, 1 + (s >> 16) % 28,
                                kComments[(r >> 28) % 8]);
    if (n > 0) out.append(line, static_cast<std::size_t>(n));
  }
  return out;
}

// The first `targetBytes` of a file, cut after the last line end within them; empty when unreadable.
inline std::string ReadPrefix(const std::wstring& path, std::size_t targetBytes) {
  std::string bytes = ReadFileBytes(path, targetBytes);
  const auto end = bytes.rfind('\n');
  bytes.resize(end == std::string::npos ? 0 : end + 1);
  return bytes;
}

inline LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_SIZE) {
    if (HWND child = GetWindow(hwnd, GW_CHILD)) MoveWindow(child, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The status bar's row part: "Loading ..." while the rest of a large file is read.
inline bool StillLoading(HWND viewer) {
  const HWND bar = GetDlgItem(viewer, 1002);
  if (bar == nullptr) return true;
  wchar_t text[256] = {};
  const LRESULT length = SendMessageW(bar, SB_GETTEXTLENGTHW, 3, 0);
  if (LOWORD(length) >= std::size(text)) return true;
  SendMessageW(bar, SB_GETTEXTW, 3, reinterpret_cast<LPARAM>(text));
  return std::wcsncmp(text, L" Rows: ", 7) != 0;
}

// Dispatches what waits, then waits up to `waitMs` for more.
inline void PumpOnce(DWORD waitMs = 5) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  MsgWaitForMultipleObjectsEx(0, nullptr, waitMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

inline std::wstring ExecutableFolder() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path.substr(0, path.find_last_of(L"\\/"));
}

}  // namespace qelvar::bench
