// The operating-system services the core needs, behind one seam.
//
// win32.cpp implements them with the Windows API (the shipped plug-in); posix.cpp implements the same
// contracts on Linux so that the core can be tested natively, under sanitizers and fuzzers. Where both
// must agree (code-page conversion of Windows-1252, the profile file format, comparison flags), the unit
// tests run the same tables against both.
//
// Paths and texts are UTF-16 (std::u16string); on Windows they are passed to the wide API unchanged,
// on POSIX paths are converted to UTF-8. No function here throws: failures are results.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qelvar::platform {

// ---- ANSI code page ------------------------------------------------------------------------------

// Decodes bytes in the system's ANSI code page (MultiByteToWideChar with CP_ACP and no flags).
// POSIX: Windows-1252 exactly as Windows maps it; the five undefined bytes 81, 8D, 8F, 90 and 9D map to
// the C1 controls of the same value, as Windows does. Never fails; allocates the result.
std::u16string AnsiToUtf16(std::string_view bytes);

// Encodes text in the ANSI code page without best-fit mapping. Returns false when a character had no
// exact mapping (it is written as the code page's default character, usually '?'); `out` is filled
// either way. A lone surrogate has no mapping. Allocates `out`.
bool Utf16ToAnsi(std::u16string_view text, std::string& out);

// ---- files ----------------------------------------------------------------------------------------

enum class ReadResult { Ok, Failed, TooLarge };

// Reads a whole file while other processes may read, write or delete it. When maxSize > 0 and the file
// is larger, nothing is read and TooLarge is returned. `size` receives the file's size in bytes whenever
// the file could be opened (also with TooLarge). Allocates `bytes` (cleared on failure).
ReadResult ReadWholeFile(const std::u16string& path, std::int64_t maxSize, std::string& bytes,
                         std::int64_t& size);

// ReadWholeFile into memory the caller provides: `room(size)` is asked once, with the file's size, for that
// many writable bytes, and may return nullptr (or throw std::bad_alloc) to refuse: the result is then
// Failed. `got` receives how many bytes were read (fewer when the file shrank meanwhile).
ReadResult ReadFileInto(const std::u16string& path, std::int64_t maxSize, std::int64_t& size,
                        const std::function<char*(std::size_t)>& room, std::size_t& got);

// A file read block by block, shared with other processes as ReadFileInto shares it. Closed by its
// destructor.
class BlockReader {
 public:
  BlockReader() = default;
  ~BlockReader();
  BlockReader(const BlockReader&) = delete;
  BlockReader& operator=(const BlockReader&) = delete;
  // Opens `path`; `size` receives its size whenever it could be opened. TooLarge (closed again) when
  // maxSize > 0 and the file is larger.
  ReadResult Open(const std::u16string& path, std::int64_t maxSize, std::int64_t& size);
  // Reads up to `count` bytes at the current position: how many were read (0 at the end), -1 on failure.
  std::int64_t Read(char* to, std::size_t count);
  // Moves the position to `offset` bytes from the file's start (past the end is allowed: Read then gives
  // 0). False when the file is not open or the system refuses.
  bool Seek(std::int64_t offset);

 private:
  std::intptr_t handle_ = -1;  // a descriptor (POSIX) or a HANDLE (Windows); -1 when closed
};

// The bytes of address space this process can still allocate at most (Windows: the available virtual
// memory of GlobalMemoryStatusEx, which a 32-bit process runs out of long before the machine does;
// POSIX: what the pointer size allows). A load that needs more can be refused before reading.
std::uint64_t AvailableAddressSpace();
// The machine's physical memory in bytes; 0 when it cannot be told.
std::uint64_t PhysicalMemory();

// True when `path` names an existing file (not a folder).
bool FileExists(const std::u16string& path);
// True when `path` names an existing folder.
bool FolderExists(const std::u16string& path);

// True when `path` names an existing file marked read-only (the read-only attribute; POSIX: no write
// permission bit at all). A save refuses such a file rather than rely on the replace to refuse it.
bool IsReadOnlyFile(const std::u16string& path);

// The folder part of a path ("C:\a\b.csv" -> "C:\a", "/a/b" -> "/a"); empty when there is none.
// Pure string work: accepts both separators on every platform. Allocates.
std::u16string FolderOf(const std::u16string& path);

// The file a save of `path` must write: POSIX resolves symbolic links to the file they name (an existing
// target, or a dangling link's destination), so that the save writes through the link instead of
// replacing it with a plain file; `path` itself when it is no link or cannot be resolved. Windows:
// `path` unchanged.
std::u16string SaveTargetOf(const std::u16string& path);

// Creates a new, empty, uniquely named file with the prefix "qlv" in `folder` and returns its path in `tempPath`.
// False when the folder is missing or not writable.
bool CreateTempFileIn(const std::u16string& folder, std::u16string& tempPath);

// Writes `bytes` to an existing or new file in one write, truncating it, and flushes it to the disk
// (FlushFileBuffers / fsync) before closing. False on any failure (the file may then be partly written).
bool WriteFileFlushed(const std::u16string& path, std::string_view bytes);

enum class ReplaceResult {
  Ok,             // `target` now holds the replacement's content; `replacement` is gone
  Busy,           // sharing violation or access denied: another process holds the target; both unchanged
  Failed,         // any other failure that left the target as it was
  TargetRemoved,  // the target is gone and the replacement still exists under its own name
};

// Replaces `target` by `replacement` keeping the target's attributes where the system can
// (ReplaceFileW without backup). POSIX: rename() followed by an fsync of the folder, the target's mode
// kept, and its owner and group where the process may set them; a target without any write permission
// bit counts as read-only and is refused, as Windows refuses a read-only file.
ReplaceResult ReplaceFileWith(const std::u16string& target, const std::u16string& replacement);

// Moves `from` to `to`, replacing `to` if it exists, written through to the disk
// (MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
// POSIX: rename() and an fsync of the folder). A read-only target is refused on both. POSIX: a new file
// gets the mode a new file normally gets (0666 less the umask), not the temporary file's 0600.
bool MoveFileReplacing(const std::u16string& from, const std::u16string& to);

// Deletes a file; false when it could not be deleted (a missing file is a failure too).
bool DeleteFileAt(const std::u16string& path);

// A hint that the untouched memory [data, data + bytes) of a large buffer should be backed by large
// pages when it is first touched: the first touch of hundreds of megabytes in small pages costs more
// than the work done on them. POSIX: madvise(MADV_HUGEPAGE) on the aligned interior; Windows: nothing
// (large pages need a privilege). Never fails, does not allocate.
void PreferLargePages(void* data, std::size_t bytes);

// Sleeps the calling thread (used between retries of a save).
void SleepMilliseconds(unsigned milliseconds);

// ---- text -----------------------------------------------------------------------------------------

// Locale-aware comparison in the user's locale, ignoring letter case and character width and comparing
// runs of digits as numbers (CompareStringEx with NORM_IGNORECASE | NORM_IGNOREWIDTH |
// SORT_DIGITSASNUMBERS). Returns <0, 0 or >0, or nullopt when the system comparison failed (callers then
// compare ordinally). POSIX: ICU's collator set to the same rules (text_compare.h); it does not allocate
// once the thread's collator is open.
std::optional<int> CompareTextLocale(std::u16string_view a, std::u16string_view b);

// Sort keys for sorting many texts: AppendTextSortKey appends the key of `text` to `keys` (callers keep
// the offsets), and CompareTextSortKeys on two keys returns exactly what CompareTextLocale returns on the
// texts they were made from (its sign), nullopt included. POSIX: ICU's sort key, compared as plain units.
// Windows: the text itself, compared by CompareStringEx each time (a system sort key is not guaranteed to
// order digit runs as the comparison does). Only `keys` may allocate.
void AppendTextSortKey(std::u16string_view text, std::u16string& keys);
std::optional<int> CompareTextSortKeys(std::u16string_view a, std::u16string_view b);
// A prefix of a sort key made by AppendTextSortKey, as an integer ordered like CompareTextSortKeys: see
// CollationKeyPrefix and NaturalKeyPrefix (text_compare.h). False when the system's keys have none (Windows: the comparison is
// the system's own, whose order no prefix can know); `prefix` and `complete` are then unspecified.
bool TextSortKeyPrefix(std::u16string_view key, std::uint64_t& prefix, bool& complete);
// True only when `text` is its own sort key (AppendTextSortKey would append it unchanged), so that a caller
// may compare the text in place. POSIX: never while ICU collates (its keys are bytes); without ICU,
// text of ASCII characters other than capital letters. Windows: always. Does not allocate.
bool IsOwnTextSortKey(std::u16string_view text);

// Full Unicode lower-casing (surrogate pairs included). The result has the same length in code units
// for every mapping the system applies (LCMapStringEx with LCMAP_LOWERCASE / simple case mapping).
// The in-place form does not allocate.
std::u16string ToLower(std::u16string_view text);
void ToLowerInPlace(std::u16string& text);

// ---- process and user -----------------------------------------------------------------------------

// Full path of the module that contains this code (the plug-in DLL; on POSIX the executable). Tests may
// replace it with OverrideModulePath; an empty override restores the real path. Allocates.
std::u16string ModulePath();
void OverrideModulePath(const std::u16string& path);

// Full path of the process's executable (the host). Allocates.
std::u16string ExecutablePath();

// An environment variable, nullopt when it is not set. SetEnvironment with nullopt removes it.
std::optional<std::u16string> GetEnvironment(std::u16string_view name);
void SetEnvironment(std::u16string_view name, const std::optional<std::u16string>& value);

// The user's UI language as a Windows LANGID (GetUserDefaultUILanguage). POSIX: derived from
// LC_ALL, LC_MESSAGES or LANG ("de_DE.UTF-8" -> 0x0407); 0x0409 (English) when unknown. Tests may
// override it; 0 restores the real value.
std::uint16_t UserUiLanguage();
void OverrideUserUiLanguage(std::uint16_t langId);

// ---- private profile (ini) files ---------------------------------------------------------------------

// Writes key=value into [section] of an ini file, creating the file and the section when needed
// (WritePrivateProfileStringW). POSIX writes the same format: the file's existing text is kept, the
// first matching key (ASCII case ignored) of the first matching section has its value replaced, a
// missing key is appended to that section, a missing section is appended at the end; new files are
// written as UTF-8 without a mark, existing ones keep their line endings. False on failure.
bool WriteProfileString(const std::u16string& path, std::u16string_view section, std::u16string_view key,
                        std::u16string_view value);

// Reads a value through the system's profile reader (GetPrivateProfileStringW); POSIX follows the same
// rules (ASCII case ignored, surrounding spaces and one pair of quotes removed). Returns `fallback`
// when the file, section or key is missing. The settings store has its own reader; this one exists to
// check files written by WriteProfileString against the system's own view of them.
std::u16string ReadProfileString(const std::u16string& path, std::u16string_view section,
                                 std::u16string_view key, std::u16string_view fallback);

}  // namespace qelvar::platform
