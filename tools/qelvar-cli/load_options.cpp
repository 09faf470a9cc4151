#include "load_options.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "document/delimiter.h"
#include "document/encoding.h"
#include "platform/platform.h"
#include "platform/utf.h"

#ifdef _WIN32
#include <share.h>
#endif

namespace qelvar::cli {

namespace {

}  // namespace

std::string OpenFailure(const std::string& file) {
  const std::u16string path = Utf8ToUtf16(file);
  if (platform::FolderExists(path)) return "is a folder, not a file";
#ifdef _WIN32
  std::FILE* stream = _wfsopen(reinterpret_cast<const wchar_t*>(path.c_str()), L"rb", _SH_DENYNO);
  // ERROR_SHARING_VIOLATION and ERROR_LOCK_VIOLATION: the C library calls both "permission denied".
  if (!stream && (_doserrno == 32 || _doserrno == 33)) return "another program has locked the file";
#else
  std::FILE* stream = std::fopen(file.c_str(), "rb");
#endif
  if (stream) {
    std::fclose(stream);
    return {};
  }
  if (errno == ENOENT) return "no such file";
  return std::strerror(errno);
}

namespace {

// Where the quoted field that never closes opens, as the cutting pass reads quotes: every quote outside a
// field's quotes opens one (wherever it stands, so the delimiter does not matter), a doubled quote inside
// is a quote, and comment lines have no quotes at all.
// Empty when the quotes balance.
std::string UnclosedQuote(std::string_view bytes, const LoadOptions& options) {
  std::u16string text;
  TCsvEncodingInfo info;
  DecodeText(bytes, Utf8ToUtf16(options.encoding), text, info);
  bool inQuotes = false;
  std::size_t line = 1, lineStart = 0, openLine = 0, openColumn = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!inQuotes && i == lineStart && IsCommentLine(text, i + 1)) {
      while (i < text.size() && text[i] != u'\r' && text[i] != u'\n') ++i;
      if (i >= text.size()) break;
    }
    const char16_t c = text[i];
    if (c == u'"') {
      if (inQuotes && i + 1 < text.size() && text[i + 1] == u'"') {
        ++i;
      } else {
        inQuotes = !inQuotes;
        if (inQuotes) openLine = line, openColumn = i - lineStart + 1;
      }
    } else if (c == u'\n' || c == u'\r') {
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      ++line;
      lineStart = i + 1;
    }
  }
  if (!inQuotes) return {};
  return "line " + std::to_string(openLine) + ", column " + std::to_string(openColumn) +
         ": a quoted field opens here and is never closed";
}

std::string TooLarge(std::int64_t size, std::int64_t limit) {
  return "the file has " + std::to_string(size) + " bytes, more than the limit of " + std::to_string(limit) +
         " (--max-size)";
}

}  // namespace

const CLI::Validator kCount(
    [](std::string& text) {
      const bool digits = !text.empty() && text.size() <= 18 && text.find_first_not_of("0123456789") == std::string::npos;
      return digits ? std::string() : text + " is no count (digits, 0 or more)";
    },
    "");

char16_t LoadOptions::Delimiter() const {
  return delimiterText.empty() ? char16_t{0} : ParseDelimiter(Utf8ToUtf16(delimiterText), "--delimiter");
}

void AddLoadOptions(CLI::App& app, LoadOptions& options) {
  const char* group = "Load options";
  app.add_option("--encoding", options.encoding, "the file's encoding instead of the detected one")
      ->type_name("NAME")
      ->check(CLI::IsMember({"UTF-8", "UTF-16LE", "UTF-16BE", "ANSI"}, CLI::ignore_case))
      ->group(group);
  app.add_option("--delimiter", options.delimiterText,
                 "the field delimiter instead of the detected one: one character or comma, semicolon, bar, tab, colon")
      ->type_name("D")
      ->group(group);
  app.add_option("--comments", options.commentMode,
                 "comment lines: 0 parsed as rows (default), 1 kept whole, 2 hidden, 3 hidden before the first row")
      ->type_name("0..3")
      ->check(CLI::Range(0, 3))
      ->group(group);
  app.add_flag("--no-trim", options.noTrim, "keep the blanks around values")->group(group);
  app.add_option("--max-size", options.maxSize, "refuse files larger than this (0: no limit, the default)")
      ->type_name("BYTES")
      ->check(kCount)
      ->group(group);
  app.add_option("--samples", options.samples, "rows whose values are decoded at once (default 1000)")
      ->type_name("N")
      ->check(kCount)
      ->group(group);
}

bool LoadDocument(const std::string& file, const LoadOptions& options, std::unique_ptr<TCsvDocument>& document) {
  const char16_t delimiter = options.Delimiter();
  const std::u16string encoding = Utf8ToUtf16(options.encoding);
  std::string bytes;
  if (file == kStdStream) {
    std::string reason;
    if (!ReadStdin(bytes, reason)) return Fail(file, reason), false;
    const auto size = static_cast<std::int64_t>(bytes.size());
    if (options.maxSize > 0 && size > options.maxSize) return Fail(file, TooLarge(size, options.maxSize)), false;
    if (LoadFromBytes(bytes, delimiter, options.commentMode, encoding, document, !options.noTrim, options.samples))
      return true;
  } else {
    TLoadFailure failure;
    if (LoadFromFile(Utf8ToUtf16(file), options.maxSize, delimiter, options.commentMode, encoding, document,
                     !options.noTrim, options.samples, &failure))
      return true;
    if (failure.TooLarge) return Fail(file, TooLarge(failure.FileSize, failure.Limit)), false;
    // Only a failed load is examined again, so that a good one costs nothing extra.
    if (const std::string reason = OpenFailure(file); !reason.empty()) return Fail(file, reason), false;
    std::int64_t size = 0;
    if (platform::ReadWholeFile(Utf8ToUtf16(file), 0, bytes, size) != platform::ReadResult::Ok)
      return Fail(file, "could not be read"), false;
  }
  if (const std::string reason = UnclosedQuote(bytes, options); !reason.empty()) return Fail(file, reason), false;
  return Fail(file, "could not be loaded: it does not fit in this program's memory"), false;
}

}  // namespace qelvar::cli
