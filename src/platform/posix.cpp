// POSIX implementation of the platform seam, for native builds (tests, sanitizers, fuzzers, benchmarks).
// It follows the Windows behaviour wherever the core's results depend on it.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <locale.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <wctype.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/system.h"
#include "platform/profile_format.h"
#include "platform/text_compare.h"
#include "platform/utf.h"

namespace qelvar::platform {

namespace {

// Windows-1252 bytes 80..9F. The five bytes Windows leaves undefined (81, 8D, 8F, 90, 9D) map to the C1
// control of the same value, exactly as MultiByteToWideChar does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int ToCp1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (int k = 0; k < 32; ++k)
    if (kCp1252High[k] == c) return 0x80 + k;
  return -1;
}

std::string PathBytes(const std::u16string& path) { return Utf16ToUtf8(path); }

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = other.Release();
    }
    return *this;
  }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int Release() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Writes all of `bytes` at the descriptor's position, retrying interrupted writes.
bool WriteAll(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

bool SyncFolderOf(const std::u16string& path) {
  std::u16string folder = FolderOf(path);
  if (folder.empty()) folder = u".";
  FileDescriptor dir(::open(PathBytes(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return dir.valid() && ::fsync(dir.get()) == 0;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

locale_t Utf8Locale() {
  static locale_t loc = [] {
    locale_t l = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (!l) l = ::newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(nullptr));
    return l;
  }();
  return loc;
}

char32_t LowerCodePoint(char32_t cp) {
  if (cp < 0x80) return (cp >= U'A' && cp <= U'Z') ? cp + 32 : cp;
  locale_t loc = Utf8Locale();
  if (!loc) return cp;
  const auto lower = static_cast<char32_t>(::towlower_l(static_cast<wint_t>(cp), loc));
  // Keep the length in code units unchanged (a BMP character never maps outside the BMP and back).
  if ((cp < 0x10000) != (lower < 0x10000)) return cp;
  return lower;
}

// Primary language identifiers of the languages that ship a language file, and a few common others.
std::uint16_t PrimaryLanguage(std::string_view code) {
  struct Entry {
    const char* code;
    std::uint16_t primary;
  };
  static constexpr Entry kTable[] = {{"en", 0x09}, {"de", 0x07}, {"ru", 0x19}, {"uk", 0x22},
                                     {"fr", 0x0C}, {"es", 0x0A}, {"it", 0x10}, {"pl", 0x15},
                                     {"nl", 0x13}, {"cs", 0x05}, {"pt", 0x16}, {"be", 0x23}};
  for (const auto& e : kTable)
    if (code == e.code) return e.primary;
  return 0;
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view bytes) {
  std::u16string out(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    out[i] = (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
  }
  return out;
}

bool Utf16ToAnsi(std::u16string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  bool exact = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const int b = ToCp1252(c);
    if (b >= 0) {
      out.push_back(static_cast<char>(b));
      continue;
    }
    exact = false;
    out.push_back('?');
    // A surrogate pair is one character and gets one default character, as on Windows.
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
  }
  return exact;
}

namespace {

// Opens a regular file for reading and tells its size; TooLarge (the file stays closed) past `maxSize`
// when that is positive.
ReadResult OpenForReading(const std::u16string& path, std::int64_t maxSize, std::int64_t& size, FileDescriptor& fd) {
  size = 0;
  FileDescriptor opened(::open(PathBytes(path).c_str(), O_RDONLY | O_CLOEXEC));
  if (!opened.valid()) return ReadResult::Failed;
  struct stat st {};
  if (::fstat(opened.get(), &st) != 0 || !S_ISREG(st.st_mode)) return ReadResult::Failed;
  size = st.st_size;
  if (maxSize > 0 && size > maxSize) return ReadResult::TooLarge;
  fd = std::move(opened);
  return ReadResult::Ok;
}

}  // namespace

ReadResult ReadFileInto(const std::u16string& path, std::int64_t maxSize, std::int64_t& size,
                        const std::function<char*(std::size_t)>& room, std::size_t& got) {
  got = 0;
  FileDescriptor fd(-1);
  if (const ReadResult opened = OpenForReading(path, maxSize, size, fd); opened != ReadResult::Ok) return opened;
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
    const ssize_t n = ::read(fd.get(), to + got, want - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ReadResult::Failed;
    if (n == 0) break;  // the file shrank while we read it: keep what is there
    got += static_cast<std::size_t>(n);
  }
  return ReadResult::Ok;
}

BlockReader::~BlockReader() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

ReadResult BlockReader::Open(const std::u16string& path, std::int64_t maxSize, std::int64_t& size) {
  FileDescriptor fd(-1);
  if (const ReadResult opened = OpenForReading(path, maxSize, size, fd); opened != ReadResult::Ok) return opened;
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  handle_ = fd.Release();
  return ReadResult::Ok;
}

std::int64_t BlockReader::Read(char* to, std::size_t count) {
  if (handle_ < 0) return -1;
  for (;;) {
    const ssize_t n = ::read(static_cast<int>(handle_), to, count);
    if (n < 0 && errno == EINTR) continue;
    return n < 0 ? -1 : static_cast<std::int64_t>(n);
  }
}

bool BlockReader::Seek(std::int64_t offset) {
  if (handle_ < 0 || offset < 0) return false;
  return ::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

ReadResult ReadWholeFile(const std::u16string& path, std::int64_t maxSize, std::string& bytes,
                         std::int64_t& size) {
  bytes.clear();
  std::size_t got = 0;
  const ReadResult result = ReadFileInto(path, maxSize, size, [&bytes](std::size_t n) {
    bytes.reserve(n);
    PreferLargePages(bytes.data(), bytes.capacity());
    bytes.resize(n);
    return bytes.data();
  }, got);
  bytes.resize(result == ReadResult::Ok ? got : 0);
  return result;
}

std::uint64_t AvailableAddressSpace() {
  // Linux overcommits: only the pointer size bounds what a load can try.
  return sizeof(void*) >= 8 ? UINT64_MAX : std::uint64_t{3} << 30;
}

std::uint64_t PhysicalMemory() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

bool FileExists(const std::u16string& path) { return !path.empty() && IsRegularFile(PathBytes(path)); }

bool FolderExists(const std::u16string& path) {
  struct stat st {};
  return !path.empty() && ::stat(PathBytes(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsReadOnlyFile(const std::u16string& path) {
  struct stat st {};
  return !path.empty() && ::stat(PathBytes(path).c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

std::u16string FolderOf(const std::u16string& path) {
  const std::size_t slash = path.find_last_of(u"/\\");
  if (slash == std::u16string::npos) return {};
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}

std::u16string SaveTargetOf(const std::u16string& path) {
  const std::string bytes = PathBytes(path);
  struct stat st {};
  if (path.empty() || ::lstat(bytes.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  if (char* real = ::realpath(bytes.c_str(), nullptr)) {
    const std::u16string resolved = Utf8ToUtf16(real);
    std::free(real);
    return resolved;
  }
  // A dangling link: its destination, relative to the link's folder, is where the file is to be.
  std::string link(PATH_MAX, '\0');
  const ssize_t n = ::readlink(bytes.c_str(), link.data(), link.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) return path;
  link.resize(static_cast<std::size_t>(n));
  if (link.front() == '/') return Utf8ToUtf16(link);
  const std::u16string folder = FolderOf(path);
  return folder.empty() ? Utf8ToUtf16(link) : folder + u"/" + Utf8ToUtf16(link);
}

bool CreateTempFileIn(const std::u16string& folder, std::u16string& tempPath) {
  std::string pattern = PathBytes(folder.empty() ? u"." : folder) + "/qlv" + "XXXXXX" + ".tmp";
  FileDescriptor fd(::mkstemps(pattern.data(), 4));
  if (!fd.valid()) return false;
  if (!fd.Close()) return false;
  tempPath = Utf8ToUtf16(pattern);
  return true;
}

bool WriteFileFlushed(const std::u16string& path, std::string_view bytes) {
  FileDescriptor fd(::open(PathBytes(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (!fd.valid() || !WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0) return false;
  return fd.Close();
}

ReplaceResult ReplaceFileWith(const std::u16string& target, const std::u16string& replacement) {
  const std::string to = PathBytes(target);
  // ReplaceFileW refuses a missing target; so do we, so that both seams take the same paths.
  if (!IsRegularFile(to)) return ReplaceResult::Failed;
  // Keep the target's permission bits, as ReplaceFileW keeps its attributes.
  struct stat st {};
  if (::stat(to.c_str(), &st) == 0) {
    // A read-only file is not replaced, whoever runs us (Windows refuses it through its attribute).
    if ((st.st_mode & 0222) == 0) return ReplaceResult::Failed;
    const std::string from = PathBytes(replacement);
    // The owner first: changing it may clear set-id bits, which the mode then puts back. Only a
    // privileged process may give a file away; anyone else keeps their own.
    if (::chown(from.c_str(), st.st_uid, st.st_gid) != 0) {
      (void)::chown(from.c_str(), static_cast<uid_t>(-1), st.st_gid);
    }
    ::chmod(from.c_str(), st.st_mode & 07777);
  }
  if (::rename(PathBytes(replacement).c_str(), to.c_str()) != 0)
    return (errno == EBUSY || errno == ETXTBSY) ? ReplaceResult::Busy : ReplaceResult::Failed;
  SyncFolderOf(target);
  return ReplaceResult::Ok;
}

bool MoveFileReplacing(const std::u16string& from, const std::u16string& to) {
  struct stat st {};
  if (::stat(PathBytes(to).c_str(), &st) == 0) {
    if ((st.st_mode & 0222) == 0) return false;  // read-only target
  } else {
    // A new file: the temporary file's 0600 would hide it from everyone else.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(PathBytes(from).c_str(), 0666 & ~mask);
  }
  if (::rename(PathBytes(from).c_str(), PathBytes(to).c_str()) != 0) return false;
  SyncFolderOf(to);
  return true;
}

bool DeleteFileAt(const std::u16string& path) { return ::unlink(PathBytes(path).c_str()) == 0; }

void PreferLargePages(void* data, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  constexpr std::uintptr_t kLarge = 2u << 20;
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t from = (begin + kLarge - 1) & ~(kLarge - 1);
  const std::uintptr_t to = (begin + bytes) & ~(kLarge - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

void SleepMilliseconds(unsigned milliseconds) {
  timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

// ICU's collator where it can be opened (it always can where its data is installed); the natural
// comparison otherwise, for the comparison and its keys alike.
std::optional<int> CompareTextLocale(std::u16string_view a, std::u16string_view b) {
  if (const auto r = CollateCompare(a, b)) return r;
  return CompareNatural(a, b, LowerCodePoint);
}

void AppendTextSortKey(std::u16string_view text, std::u16string& keys) {
  if (!AppendCollationKey(text, keys)) AppendNaturalKey(text, LowerCodePoint, keys);
}

std::optional<int> CompareTextSortKeys(std::u16string_view a, std::u16string_view b) {
  return CollationAvailable() ? CompareCollationKeys(a, b) : CompareNaturalKeys(a, b);
}

bool TextSortKeyPrefix(std::u16string_view key, std::uint64_t& prefix, bool& complete) {
  prefix = CollationAvailable() ? CollationKeyPrefix(key, complete) : NaturalKeyPrefix(key, complete);
  return true;
}

bool IsOwnTextSortKey(std::u16string_view text) {
  if (CollationAvailable()) return false;  // a collation key is bytes, never the text
  for (const char16_t c : text)
    if (c >= 0x80 || (c >= u'A' && c <= u'Z')) return false;
  return true;
}

void ToLowerInPlace(std::u16string& text) {
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t c = text[i];
    if (c < 0x80) {
      if (c >= u'A' && c <= u'Z') text[i] = static_cast<char16_t>(c + 32);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      const char32_t cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      const char32_t lower = LowerCodePoint(cp) - 0x10000;
      text[i] = static_cast<char16_t>(0xD800 + (lower >> 10));
      text[i + 1] = static_cast<char16_t>(0xDC00 + (lower & 0x3FF));
      ++i;
      continue;
    }
    text[i] = static_cast<char16_t>(LowerCodePoint(c));
  }
}

std::u16string ToLower(std::u16string_view text) {
  std::u16string out(text);
  ToLowerInPlace(out);
  return out;
}

std::u16string SystemModulePath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&SystemModulePath), &info) != 0 && info.dli_fname) {
    char resolved[PATH_MAX];
    if (::realpath(info.dli_fname, resolved)) return Utf8ToUtf16(resolved);
  }
  return ExecutablePath();
}

std::u16string ExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return Utf8ToUtf16(std::string_view(buffer, static_cast<std::size_t>(n)));
}

std::optional<std::u16string> GetEnvironment(std::u16string_view name) {
  const char* value = std::getenv(Utf16ToUtf8(name).c_str());
  if (!value) return std::nullopt;
  return Utf8ToUtf16(value);
}

void SetEnvironment(std::u16string_view name, const std::optional<std::u16string>& value) {
  const std::string key = Utf16ToUtf8(name);
  if (value)
    ::setenv(key.c_str(), Utf16ToUtf8(*value).c_str(), 1);
  else
    ::unsetenv(key.c_str());
}

std::uint16_t SystemUiLanguage() {
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(var);
    if (!value || !*value) continue;
    std::string_view v(value);
    const std::size_t end = v.find_first_of("_.@");
    const std::uint16_t primary = PrimaryLanguage(v.substr(0, end));
    if (primary != 0) return static_cast<std::uint16_t>((1u << 10) | primary);
    break;  // the first variable that is set decides, as the C library does
  }
  return 0x0409;
}

bool WriteProfileString(const std::u16string& path, std::u16string_view section, std::u16string_view key,
                        std::u16string_view value) {
  std::string bytes;
  std::int64_t size = 0;
  const bool exists = FileExists(path);
  if (exists && ReadWholeFile(path, 0, bytes, size) != ReadResult::Ok) return false;
  std::string updated;
  if (!profile::SetValue(bytes, section, key, value, updated)) return false;
  // Written in place (not through a temporary file), as the system's profile writer does.
  FileDescriptor fd(::open(PathBytes(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (!fd.valid() || !WriteAll(fd.get(), updated)) return false;
  return fd.Close();
}

std::u16string ReadProfileString(const std::u16string& path, std::u16string_view section,
                                 std::u16string_view key, std::u16string_view fallback) {
  std::string bytes;
  std::int64_t size = 0;
  if (ReadWholeFile(path, 0, bytes, size) != ReadResult::Ok) return std::u16string(fallback);
  std::u16string value;
  if (!profile::GetValue(bytes, section, key, value)) return std::u16string(fallback);
  return value;
}

}  // namespace qelvar::platform
