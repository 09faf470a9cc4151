// Encoding a document's text and writing it back safely.
#include <algorithm>
#include <cstring>

#include "document/csv_document.h"
#include "document/save_seam.h"
#include "platform/platform.h"
#include "platform/utf.h"

namespace qelvar {

namespace {

constexpr std::size_t kVerifySampleRows = 1000;

inline bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// UTF-8 of well-formed UTF-16; false on a lone surrogate, which has no UTF-8 form.
bool AppendUtf8(std::u16string_view text, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + text.size() * 3);  // at most three bytes per code unit
  char* o = out.data() + start;
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t c = text[i];
    if (c < 0x80) {
      *o++ = static_cast<char>(c);
    } else if (c < 0x800) {
      *o++ = static_cast<char>(0xC0 | (c >> 6));
      *o++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (IsHighSurrogate(c) && i + 1 < n && IsLowSurrogate(text[i + 1])) {
      const char32_t cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      *o++ = static_cast<char>(0xF0 | (cp >> 18));
      *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *o++ = static_cast<char>(0x80 | (cp & 0x3F));
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      return false;
    } else {
      *o++ = static_cast<char>(0xE0 | (c >> 12));
      *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *o++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return true;
}

void AppendUtf16(std::u16string_view text, bool bigEndian, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + text.size() * 2);
  auto* o = reinterpret_cast<unsigned char*>(out.data() + start);
  for (char16_t c : text) {
    const auto hi = static_cast<unsigned char>(c >> 8);
    const auto lo = static_cast<unsigned char>(c & 0xFF);
    *o++ = bigEndian ? hi : lo;
    *o++ = bigEndian ? lo : hi;
  }
}

// Loads the written file back as the viewer would and compares it with what was meant to be written.
bool Verify(const std::u16string& tempPath, std::u16string_view text, const TCsvEncodingInfo& info,
            char16_t delimiter, int commentMode, bool trimValues) {
  std::unique_ptr<TCsvDocument> loaded;
  if (!LoadFromFile(tempPath, 0, delimiter, commentMode, info.Name, loaded, trimValues, kVerifySampleRows))
    return false;
  return loaded->Text() == text && EqualsIgnoreAsciiCase(loaded->Encoding().Name, info.Name) &&
         loaded->Encoding().HasBom == info.HasBom && loaded->Lossless();
}

// Puts the verified temporary file in the target's place. False leaves the target as it was, except
// that a replace which already removed the target leaves the temporary file as the only copy (`keepTemp`,
// set before anything is tried that could fail on the way).
bool PutInPlace(const std::u16string& fileName, const std::u16string& tempPath, const TSaveSeam& seam,
                bool& keepTemp) {
  platform::ReplaceResult result = seam.ReplaceFileWith(fileName, tempPath);
  // Another process (a virus scanner, an indexer) may hold the target for a moment.
  for (unsigned delay : kReplaceRetryDelays) {
    if (result != platform::ReplaceResult::Busy) break;
    seam.SleepMilliseconds(delay);
    result = seam.ReplaceFileWith(fileName, tempPath);
  }
  switch (result) {
    case platform::ReplaceResult::Ok: return true;
    case platform::ReplaceResult::TargetRemoved:
      // The temporary file holds the only copy of the data: it must reach the target's name or stay.
      keepTemp = true;
      return seam.MoveFileReplacing(tempPath, fileName);
    case platform::ReplaceResult::Busy:
    case platform::ReplaceResult::Failed: break;
  }
  return seam.MoveFileReplacing(tempPath, fileName);
}

}  // namespace

bool EncodeText(std::u16string_view text, const TCsvEncodingInfo& info, std::string& bytes) {
  bytes.clear();
  try {
    if (EqualsIgnoreAsciiCase(info.Name, kEncodingUtf8)) {
      if (info.HasBom) bytes = "\xEF\xBB\xBF";
      return AppendUtf8(text, bytes);
    }
    if (EqualsIgnoreAsciiCase(info.Name, kEncodingUtf16Le) || EqualsIgnoreAsciiCase(info.Name, kEncodingUtf16Be)) {
      const bool bigEndian = EqualsIgnoreAsciiCase(info.Name, kEncodingUtf16Be);
      if (info.HasBom) bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
      AppendUtf16(text, bigEndian, bytes);
      return true;
    }
    if (EqualsIgnoreAsciiCase(info.Name, kEncodingAnsi)) return text.empty() || platform::Utf16ToAnsi(text, bytes);
  } catch (...) {
    // Out of memory: nothing can be written.
  }
  return false;
}

bool ReplaceSafely(const std::u16string& linkOrFile, const TSaveSeam& seam,
                   const std::function<bool(const std::u16string& tempPath)>& writeAndVerify, std::u16string* keptFile) {
  // Through a symbolic link to the file it names: the link stays, the file gets the content.
  const std::u16string fileName = platform::SaveTargetOf(linkOrFile);
  std::u16string tempPath;
  bool created = false;
  bool keepTemp = false;
  try {
    // Not every file system refuses to replace a read-only file (Wine does not): the save refuses it.
    // Nor does Wine refuse to move a file over an empty folder, which no save may take the place of.
    if (seam.IsReadOnlyFile(fileName) || platform::FolderExists(fileName)) return false;
    if (!seam.CreateTempFileIn(platform::FolderOf(fileName), tempPath)) return false;
    created = true;
    if (writeAndVerify(tempPath) && PutInPlace(fileName, tempPath, seam, keepTemp)) return true;
  } catch (...) {
    // Out of memory on the way: the temporary file, if any, is removed below.
  }
  if (created && keepTemp && keptFile) *keptFile = tempPath;
  if (created && !keepTemp) {
    try {
      seam.DeleteFileAt(tempPath);
    } catch (...) {
      // Nothing more can be done about a temporary file that cannot even be named.
    }
  }
  return false;
}

bool SaveTextToFile(const std::u16string& fileName, std::u16string_view text, const TCsvEncodingInfo& info,
                    char16_t delimiter, int commentMode, bool trimValues, const TSaveSeam& seam) {
  try {
    if (!info.Lossless) return false;
    std::string bytes;
    if (!EncodeText(text, info, bytes)) return false;
    return ReplaceSafely(fileName, seam, [&](const std::u16string& tempPath) {
      const bool written = seam.WriteFileFlushed(tempPath, bytes);
      // The verification loads the whole file again: the encoded copy goes first.
      std::string().swap(bytes);
      return written && Verify(tempPath, text, info, delimiter, commentMode, trimValues);
    });
  } catch (...) {
    return false;
  }
}

bool SaveBytesToFile(const std::u16string& fileName, std::string_view bytes, const TSaveSeam& seam) {
  return ReplaceSafely(fileName, seam, [&](const std::u16string& tempPath) {
    if (!seam.WriteFileFlushed(tempPath, bytes)) return false;
    std::string written;
    std::int64_t size = 0;
    return platform::ReadWholeFile(tempPath, 0, written, size) == platform::ReadResult::Ok &&
           written == bytes;
  });
}

bool SaveBytesToFile(const std::u16string& fileName, std::string_view bytes) {
  return SaveBytesToFile(fileName, bytes, TSaveSeam{});
}

bool SaveTextToFile(const std::u16string& fileName, std::u16string_view text, const TCsvEncodingInfo& info,
                    char16_t delimiter, int commentMode, bool trimValues) {
  return SaveTextToFile(fileName, text, info, delimiter, commentMode, trimValues, TSaveSeam{});
}

TFreshDifference CompareFreshReading(const TCsvDocument& document, const TCsvDocument& fresh, std::int32_t* row) {
  if (row) *row = -1;
  const TCsvEncodingInfo& was = document.Encoding();
  const TCsvEncodingInfo& now = fresh.Encoding();
  const bool sameEncoding = EqualsIgnoreAsciiCase(was.Name, now.Name) && was.HasBom == now.HasBom;
  // ASCII text is the same bytes in ANSI and in UTF-8, and an empty file without a mark is in every
  // encoding: nothing can be written to keep the name.
  const bool noMarks = !was.HasBom && !now.HasBom;
  const bool asciiAlike = noMarks &&
                          (EqualsIgnoreAsciiCase(was.Name, kEncodingAnsi) || EqualsIgnoreAsciiCase(now.Name, kEncodingAnsi)) &&
                          (EqualsIgnoreAsciiCase(was.Name, kEncodingUtf8) || EqualsIgnoreAsciiCase(now.Name, kEncodingUtf8));
  const bool empty = noMarks && document.Text().empty();
  if ((!sameEncoding && !asciiAlike && !empty) || fresh.Text() != document.Text() || !fresh.Lossless())
    return TFreshDifference::Encoding;
  // A table of one column has no delimiter in its lines: whichever a fresh open settles on, the cells
  // below decide whether it reads the same (deleting columns down to one must stay saveable).
  const bool oneColumn = document.ColumnCount() <= 1 && fresh.ColumnCount() <= 1;
  if (!oneColumn && (fresh.Delimiter() != document.Delimiter() || fresh.SingleColumn() != document.SingleColumn()))
    return TFreshDifference::Delimiter;
  const std::int32_t rows = std::min(document.RowCount(), fresh.RowCount());
  for (std::int32_t r = 0; r < rows; ++r) {
    if (row) *row = r;
    const TCsvRow& a = document.Rows()[static_cast<std::size_t>(r)];
    const TCsvRow& b = fresh.Rows()[static_cast<std::size_t>(r)];
    if (a.IsComment != b.IsComment) return TFreshDifference::RowKind;
    // A comment line is never edited and is shown as its line: the same text at the same place is the
    // same row, however a fresh open cuts it (a deleted column leaves it wider than the table).
    if (a.IsComment) {
      if (a.LineStart != b.LineStart || a.LineLength != b.LineLength) return TFreshDifference::Cells;
      continue;
    }
    // A missing cell reads as empty, so a row of one empty cell is a row without cells.
    const std::int32_t cells = std::max(document.CellCount(r), fresh.CellCount(r));
    for (std::int32_t c = 0; c < cells; ++c)
      if (DecodeValue(document.CellRaw(r, c), document.TrimValues()) != DecodeValue(fresh.CellRaw(r, c), fresh.TrimValues()))
        return TFreshDifference::Cells;
  }
  if (row) *row = document.RowCount() != fresh.RowCount() ? rows : -1;
  return document.RowCount() != fresh.RowCount() ? TFreshDifference::RowCount : TFreshDifference::None;
}

bool SaveDocument(const TCsvDocument& document, const std::u16string& fileName, int commentMode,
                  TSaveResult* result, const TSaveSeam& seam) {
  TSaveResult local;
  TSaveResult& out = result ? *result : local;
  out = TSaveResult{};
  try {
    const TCsvEncodingInfo& info = document.Encoding();
    std::string bytes;
    if (!info.Lossless || !EncodeText(document.Text(), info, bytes)) {
      out.Problem = TSaveProblem::NotEncodable;
      return false;
    }
    bool readBack = false;
    const bool saved = ReplaceSafely(
        fileName, seam,
        [&](const std::u16string& tempPath) {
          if (!seam.WriteFileFlushed(tempPath, bytes)) return false;
          std::string().swap(bytes);
          readBack = true;
          std::unique_ptr<TCsvDocument> fresh;
          const char16_t delimiter = document.DelimiterDetected() ? char16_t{0} : document.Delimiter();
          const std::u16string_view encoding = info.Detected ? std::u16string_view{} : std::u16string_view(info.Name);
          out.Difference = LoadFromFile(tempPath, 0, delimiter, commentMode, encoding, fresh, document.TrimValues(),
                                        document.SampleRows())
                               ? CompareFreshReading(document, *fresh, &out.Row)
                               : TFreshDifference::DoesNotLoad;
          return out.Difference == TFreshDifference::None;
        },
        &out.KeptFile);
    if (saved) return true;
    if (!out.KeptFile.empty()) {
      out.Problem = TSaveProblem::TargetRemoved;
    } else if (readBack && out.Difference != TFreshDifference::None) {
      out.Problem = TSaveProblem::ReadsDifferently;
    } else {
      out.Problem = TSaveProblem::WriteFailed;
      out.Difference = TFreshDifference::None;
    }
    return false;
  } catch (...) {
    out.Problem = TSaveProblem::WriteFailed;
    return false;
  }
}

bool SaveDocument(const TCsvDocument& document, const std::u16string& fileName, int commentMode,
                  TSaveResult* result) {
  return SaveDocument(document, fileName, commentMode, result, TSaveSeam{});
}

}  // namespace qelvar
