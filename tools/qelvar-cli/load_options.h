// Options shared by the commands that load a document (--encoding, --delimiter, --comments, --no-trim,
// --max-size, --samples) and the load itself, which says what went wrong and why.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "cli.h"
#include "document/csv_document.h"

namespace qelvar::cli {

struct LoadOptions {
  std::string encoding;           // empty: detect
  std::string delimiterText;      // empty: detect
  int commentMode = kCommentsParsed;
  bool noTrim = false;
  std::int64_t maxSize = 0;       // 0: no limit
  std::int64_t samples = kDefaultSampleRows;

  // The forced delimiter, 0 to detect (UsageError when malformed).
  char16_t Delimiter() const;
};

// Options that take a count (0 or more, digits only).
extern const CLI::Validator kCount;

// Why `file` cannot be opened for reading, as the system says it ("no such file", "is a folder, not a
// file", "another program has locked the file", ...); empty when it opens.
std::string OpenFailure(const std::string& file);

// Adds the load options to a command's parser; their values land in `options` when it parses.
void AddLoadOptions(CLI::App& app, LoadOptions& options);

// Loads `file` ("-": standard input) with the options. On failure prints "qelvar-cli: <file>: <reason>":
// no such file, a folder, no permission, locked by another program, over the size limit, a quoted field
// that is never closed (with its line and column), or unreadable; and returns false.
bool LoadDocument(const std::string& file, const LoadOptions& options, std::unique_ptr<TCsvDocument>& document);

}  // namespace qelvar::cli
