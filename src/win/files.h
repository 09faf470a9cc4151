// Whole files as bytes, for the stand-in host, the GUI tests and the benchmarks: the one place where they
// write a file. The plug-in writes only through the document's safe save, whose platform seam shares
// WriteAll. Header-only.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "win/handles.h"

namespace qelvar {

// Writes all of `bytes` at the file position of `file`; false when a write fails.
inline bool WriteAll(HANDLE file, std::string_view bytes) noexcept {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

// Writes `bytes` to `path`, created or truncated. False when the file cannot be opened or not every byte
// was written.
inline bool WriteFileBytes(const std::wstring& path, std::string_view bytes) noexcept {
  const THandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && WriteAll(file.Get(), bytes);
}

// The first `limit` bytes of a file (all of it by default), shared for reading with any other opener;
// empty when it cannot be read.
inline std::string ReadFileBytes(const std::wstring& path, std::size_t limit = std::string::npos) {
  const THandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (bytes.size() < limit) {
    const auto want = static_cast<DWORD>(std::min<std::size_t>(sizeof buffer, limit - bytes.size()));
    if (!ReadFile(file.Get(), buffer, want, &got, nullptr) || got == 0) break;
    bytes.append(buffer, got);
  }
  return bytes;
}

}  // namespace qelvar
