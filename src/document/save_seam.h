// The file operations a safe save uses, as a replaceable table: the product uses the platform's, tests
// substitute single entries to inject the failures a real disk or a busy file would cause.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "document/csv_document.h"
#include "platform/platform.h"

namespace qelvar {

struct TSaveSeam {
  std::function<bool(const std::u16string& path)> IsReadOnlyFile = platform::IsReadOnlyFile;
  std::function<bool(const std::u16string& folder, std::u16string& tempPath)> CreateTempFileIn =
      platform::CreateTempFileIn;
  std::function<bool(const std::u16string& path, std::string_view bytes)> WriteFileFlushed =
      platform::WriteFileFlushed;
  std::function<platform::ReplaceResult(const std::u16string& target, const std::u16string& replacement)>
      ReplaceFileWith = platform::ReplaceFileWith;
  std::function<bool(const std::u16string& from, const std::u16string& to)> MoveFileReplacing =
      platform::MoveFileReplacing;
  std::function<bool(const std::u16string& path)> DeleteFileAt = platform::DeleteFileAt;
  std::function<void(unsigned milliseconds)> SleepMilliseconds = platform::SleepMilliseconds;
};

// Delays between attempts to replace a target another process holds: about a second in all.
inline constexpr unsigned kReplaceRetryDelays[] = {50, 100, 150, 250, 400};

// The safe replace that every save goes through: refuses a read-only target or a folder, creates a temporary
// file in the target's folder, lets `writeAndVerify` fill and check it, then puts it in the target's place.
// False when any step failed; the target then keeps its old content and the temporary file is removed (except
// when a failed replace already removed the target: the temporary file then holds the only copy).
// `keptFile`, when given, receives the temporary file's name in that last case.
bool ReplaceSafely(const std::u16string& fileName, const TSaveSeam& seam,
                   const std::function<bool(const std::u16string& tempPath)>& writeAndVerify,
                   std::u16string* keptFile = nullptr);

// SaveBytesToFile through the given operations.
bool SaveBytesToFile(const std::u16string& fileName, std::string_view bytes, const TSaveSeam& seam);

// SaveDocument through the given operations.
bool SaveDocument(const TCsvDocument& document, const std::u16string& fileName, int commentMode,
                  TSaveResult* result, const TSaveSeam& seam);

// SaveTextToFile through the given operations.
bool SaveTextToFile(const std::u16string& fileName, std::u16string_view text, const TCsvEncodingInfo& info,
                    char16_t delimiter, int commentMode, bool trimValues, const TSaveSeam& seam);

}  // namespace qelvar
