// The one place where the model's UTF-16 strings meet the Windows API's wchar_t (also 16 bits there).
// Windows only: included by the Win32 seam, the viewer, the exports and the stand-in host.
#pragma once

#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be UTF-16 on Windows");

namespace qelvar {

inline const wchar_t* Wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline const wchar_t* AsWide(const char16_t* p) { return reinterpret_cast<const wchar_t*>(p); }
inline wchar_t* AsWide(char16_t* p) { return reinterpret_cast<wchar_t*>(p); }
inline std::u16string FromWide(std::wstring_view s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.data()), s.size());
}
inline std::u16string FromWide(const wchar_t* s) { return s ? FromWide(std::wstring_view(s)) : std::u16string(); }

}  // namespace qelvar
