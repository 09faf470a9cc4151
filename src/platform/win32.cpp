// Windows implementation of the platform seam: the one the shipped plug-in uses.
#include <windows.h>
// <windows.h> maps WriteProfileString to WriteProfileStringW, which would rename the seam's own function
// here while its callers (which never include <windows.h>) still ask for the plain name.
#undef WriteProfileString


#include "platform/platform.h"
#include "platform/system.h"
#include "platform/utf.h"
#include "platform/wide.h"
#include "win/files.h"
#include "win/handles.h"

namespace qelvar::platform {

namespace {

constexpr DWORD kCompareFlags = NORM_IGNORECASE | NORM_IGNOREWIDTH | SORT_DIGITSASNUMBERS;

// Module paths may exceed MAX_PATH; grow the buffer until the name fits.
std::u16string ModuleFileName(HMODULE module) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return FromWide(std::wstring_view(buffer.data(), n));
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view bytes) {
  if (bytes.empty()) return {};
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const int inLength = static_cast<int>(bytes.size());
  const int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), inLength, nullptr, 0);
  if (n <= 0) return {};
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), inLength, AsWide(out.data()), n);
  return out;
}

bool Utf16ToAnsi(std::u16string_view text, std::string& out) {
  out.clear();
  if (text.empty()) return true;
  if (text.size() > static_cast<std::size_t>(INT_MAX)) return false;
  const int inLength = static_cast<int>(text.size());
  const UINT cp = ::GetACP();
  // UTF-8 as the ANSI code page (a Windows option) takes neither flags nor the default-character query.
  const bool utf8 = cp == CP_UTF8;
  BOOL usedDefault = FALSE;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL* usedPtr = utf8 ? nullptr : &usedDefault;
  const int n = ::WideCharToMultiByte(cp, flags, AsWide(text.data()), inLength, nullptr, 0, nullptr, usedPtr);
  if (n <= 0) return false;
  out.resize(static_cast<std::size_t>(n));
  ::WideCharToMultiByte(cp, flags, AsWide(text.data()), inLength, out.data(), n, nullptr, usedPtr);
  if (utf8) {
    // A lone surrogate becomes U+FFFD: not an exact mapping.
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char16_t c = text[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        ++i;
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        return false;
      }
    }
    return true;
  }
  return usedDefault == FALSE;
}

namespace {

// Opens a file for sequential reading (others may go on writing or deleting it) and tells its size;
// TooLarge (the file stays closed) past `maxSize` when that is positive.
ReadResult OpenForReading(const std::u16string& path, std::int64_t maxSize, std::int64_t& size, THandle& file) {
  size = 0;
  THandle opened(::CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!opened) return ReadResult::Failed;
  LARGE_INTEGER li{};
  if (!::GetFileSizeEx(opened.Get(), &li)) return ReadResult::Failed;
  size = li.QuadPart;
  if (maxSize > 0 && size > maxSize) return ReadResult::TooLarge;
  file = std::move(opened);
  return ReadResult::Ok;
}

}  // namespace

ReadResult ReadFileInto(const std::u16string& path, std::int64_t maxSize, std::int64_t& size,
                        const std::function<char*(std::size_t)>& room, std::size_t& got) {
  got = 0;
  THandle file;
  if (const ReadResult opened = OpenForReading(path, maxSize, size, file); opened != ReadResult::Ok) return opened;
  if (static_cast<std::uint64_t>(size) > static_cast<std::uint64_t>(PTRDIFF_MAX)) return ReadResult::Failed;
  char* to = nullptr;
  try {
    to = room(static_cast<std::size_t>(size));
  } catch (...) {
    return ReadResult::Failed;
  }
  if (!to && size > 0) return ReadResult::Failed;
  const auto want = static_cast<std::size_t>(size);
  while (got < want) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(want - got, 1u << 30));
    DWORD n = 0;
    if (!::ReadFile(file.Get(), to + got, chunk, &n, nullptr)) return ReadResult::Failed;
    if (n == 0) break;  // the file shrank while we read it: keep what is there
    got += n;
  }
  return ReadResult::Ok;
}

BlockReader::~BlockReader() {
  if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

ReadResult BlockReader::Open(const std::u16string& path, std::int64_t maxSize, std::int64_t& size) {
  THandle file;
  if (const ReadResult opened = OpenForReading(path, maxSize, size, file); opened != ReadResult::Ok) return opened;
  if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = reinterpret_cast<std::intptr_t>(file.Release());
  return ReadResult::Ok;
}

std::int64_t BlockReader::Read(char* to, std::size_t count) {
  if (handle_ == -1) return -1;
  DWORD n = 0;
  const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
  if (!::ReadFile(reinterpret_cast<HANDLE>(handle_), to, chunk, &n, nullptr)) return -1;
  return n;
}

bool BlockReader::Seek(std::int64_t offset) {
  if (handle_ == -1 || offset < 0) return false;
  LARGE_INTEGER to{};
  to.QuadPart = offset;
  return ::SetFilePointerEx(reinterpret_cast<HANDLE>(handle_), to, nullptr, FILE_BEGIN) != FALSE;
}

ReadResult ReadWholeFile(const std::u16string& path, std::int64_t maxSize, std::string& bytes,
                         std::int64_t& size) {
  bytes.clear();
  std::size_t got = 0;
  const ReadResult result = ReadFileInto(path, maxSize, size, [&bytes](std::size_t n) {
    bytes.resize(n);
    return bytes.data();
  }, got);
  bytes.resize(result == ReadResult::Ok ? got : 0);
  return result;
}

std::uint64_t AvailableAddressSpace() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!::GlobalMemoryStatusEx(&status)) return UINT64_MAX;
  return status.ullAvailVirtual;
}

std::uint64_t PhysicalMemory() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  return ::GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}

bool FileExists(const std::u16string& path) {
  if (path.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::u16string& path) {
  if (path.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::u16string SaveTargetOf(const std::u16string& path) { return path; }

std::u16string FolderOf(const std::u16string& path) {
  const std::size_t slash = path.find_last_of(u"/\\");
  if (slash == std::u16string::npos) return {};
  if (slash == 0) return path.substr(0, 1);
  if (slash == 2 && path[1] == u':') return path.substr(0, 3);  // "C:\" stays a root
  return path.substr(0, slash);
}

bool IsReadOnlyFile(const std::u16string& path) {
  if (path.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
         (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool CreateTempFileIn(const std::u16string& folder, std::u16string& tempPath) {
  wchar_t buffer[MAX_PATH + 16] = {};
  const std::u16string dir = folder.empty() ? u"." : folder;
  if (::GetTempFileNameW(Wide(dir), L"qlv", 0, buffer) == 0) return false;
  tempPath = FromWide(buffer);
  return true;
}

bool WriteFileFlushed(const std::u16string& path, std::string_view bytes) {
  THandle file(::CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file || !WriteAll(file.Get(), bytes) || !::FlushFileBuffers(file.Get())) return false;
  // A failed close can still lose the data: it counts as a failed write.
  return ::CloseHandle(file.Release()) != FALSE;
}

ReplaceResult ReplaceFileWith(const std::u16string& target, const std::u16string& replacement) {
  // REPLACEFILE_WRITE_THROUGH is documented as unsupported: durability comes from the flush of the
  // replacement before this call.
  if (::ReplaceFileW(Wide(target), Wide(replacement), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                     nullptr))
    return ReplaceResult::Ok;
  switch (::GetLastError()) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_ACCESS_DENIED:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return ReplaceResult::Busy;
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
      // Without a backup name this means the target no longer exists.
      return FileExists(target) ? ReplaceResult::Failed : ReplaceResult::TargetRemoved;
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
      return FileExists(target) ? ReplaceResult::Failed : ReplaceResult::TargetRemoved;
    default:
      return FileExists(target) ? ReplaceResult::Failed : ReplaceResult::TargetRemoved;
  }
}

bool MoveFileReplacing(const std::u16string& from, const std::u16string& to) {
  return ::MoveFileExW(Wide(from), Wide(to),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool DeleteFileAt(const std::u16string& path) { return ::DeleteFileW(Wide(path)) != FALSE; }

void PreferLargePages(void*, std::size_t) {}

void SleepMilliseconds(unsigned milliseconds) { ::Sleep(milliseconds); }

std::optional<int> CompareTextLocale(std::u16string_view a, std::u16string_view b) {
  if (a.size() > static_cast<std::size_t>(INT_MAX) || b.size() > static_cast<std::size_t>(INT_MAX))
    return std::nullopt;
  const int r = ::CompareStringEx(LOCALE_NAME_USER_DEFAULT, kCompareFlags, AsWide(a.data()),
                                  static_cast<int>(a.size()), AsWide(b.data()), static_cast<int>(b.size()),
                                  nullptr, nullptr, 0);
  if (r == 0) return std::nullopt;
  return r - CSTR_EQUAL;
}

void AppendTextSortKey(std::u16string_view text, std::u16string& keys) { keys.append(text); }

std::optional<int> CompareTextSortKeys(std::u16string_view a, std::u16string_view b) {
  return CompareTextLocale(a, b);
}

bool TextSortKeyPrefix(std::u16string_view, std::uint64_t&, bool&) { return false; }

bool IsOwnTextSortKey(std::u16string_view) { return true; }

void ToLowerInPlace(std::u16string& text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return;
  // Case mapping never changes the length in code units, so the text is mapped in place.
  ::CharLowerBuffW(AsWide(text.data()), static_cast<DWORD>(text.size()));
}

std::u16string ToLower(std::u16string_view text) {
  std::u16string out(text);
  ToLowerInPlace(out);
  return out;
}

std::u16string SystemModulePath() {
  HMODULE self = nullptr;
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(reinterpret_cast<const void*>(&SystemModulePath)), &self))
    return {};
  return ModuleFileName(self);
}

std::u16string ExecutablePath() { return ModuleFileName(nullptr); }

std::optional<std::u16string> GetEnvironment(std::u16string_view name) {
  const std::u16string key(name);
  const DWORD n = ::GetEnvironmentVariableW(Wide(key), nullptr, 0);
  if (n == 0) {
    if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::u16string();
  }
  std::wstring buffer(n, L'\0');
  const DWORD got = ::GetEnvironmentVariableW(Wide(key), buffer.data(), n);
  if (got == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
  buffer.resize(got < n ? got : 0);
  return FromWide(buffer);
}

void SetEnvironment(std::u16string_view name, const std::optional<std::u16string>& value) {
  const std::u16string key(name);
  ::SetEnvironmentVariableW(Wide(key), value ? Wide(*value) : nullptr);
}

std::uint16_t SystemUiLanguage() {
  return ::GetUserDefaultUILanguage();
}

bool WriteProfileString(const std::u16string& path, std::u16string_view section, std::u16string_view key,
                        std::u16string_view value) {
  const std::u16string s(section), k(key), v(value);
  return ::WritePrivateProfileStringW(Wide(s), Wide(k), Wide(v), Wide(path)) != FALSE;
}

std::u16string ReadProfileString(const std::u16string& path, std::u16string_view section,
                                 std::u16string_view key, std::u16string_view fallback) {
  const std::u16string s(section), k(key), f(fallback);
  std::wstring buffer(4096, L'\0');
  for (;;) {
    const DWORD n = ::GetPrivateProfileStringW(Wide(s), Wide(k), Wide(f), buffer.data(),
                                               static_cast<DWORD>(buffer.size()), Wide(path));
    if (n + 1 < buffer.size() || buffer.size() >= (1u << 24)) return FromWide(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 4);
  }
}

}  // namespace qelvar::platform
