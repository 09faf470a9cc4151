// Options shared by the commands that load a document: --encoding NAME, --delimiter D, --comments N,
// --no-trim, --max-size BYTES, --samples N.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cli.h"
#include "document/csv_document.h"

namespace qelvar::cli {

struct LoadOptions {
  std::u16string encoding;        // empty: detect
  char16_t delimiter = 0;         // 0: detect
  int commentMode = kCommentsParsed;
  bool trimValues = true;
  std::int64_t maxSize = 0;       // 0: no limit
  std::int64_t samples = kDefaultSampleRows;
};

// Takes the load options from `args` (usage error when malformed).
LoadOptions ParseLoadOptions(Args& args);

// Loads `file` with the options. On failure writes the loader's message (or "The file could not be
// loaded.") to stderr and returns false.
bool LoadDocument(const std::u16string& file, const LoadOptions& options, std::unique_ptr<TCsvDocument>& document);

}  // namespace qelvar::cli
