// Arbitrary bytes: a prefix loaded, the rest appended in pieces and followed with TCsvAppendReader. The
// document keeps its invariants at every step, and once everything is in it is the load of the whole
// file's, whenever the prefix made the decisions the whole file makes (encoding, delimiter, sampled
// width, table start) and the file ends with a line break. The first input bytes choose the options, the
// rest is the file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "../unit/document_invariants.h"
#include "document/append_read.h"
#include "document/csv_document.h"
#include "document/prescan.h"

namespace {

using qelvar::TCsvDocument;

void Fail(const char* what) {
  std::fprintf(stderr, "the followed file differs from its whole load: %s\n", what);
  std::abort();
}

const std::u16string& FilePath() {
  static const std::u16string path =
      (std::filesystem::temp_directory_path() / ("qelvar-fuzz-append-" + std::to_string(::getpid()) + ".csv"))
          .u16string();
  return path;
}

void Write(std::string_view bytes, std::ios::openmode mode) {
  std::ofstream out(std::filesystem::path(FilePath()), std::ios::binary | mode);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The decisions the loader takes from a text, as ParseInto takes them.
qelvar::TPreScan Decisions(const TCsvDocument& doc, std::int64_t samples, int mode) {
  const char16_t cut = doc.SingleColumn() ? qelvar::kNoFieldDelimiter : doc.Delimiter();
  return qelvar::RunPreScan(doc.Text(), cut, samples, mode, doc.SingleColumn() || doc.DelimiterDetected());
}

bool SameDecisions(const qelvar::TPreScan& x, const qelvar::TPreScan& y) {
  return x.MaxSampleFields == y.MaxSampleFields && x.DataStart == y.DataStart &&
         x.SemicolonRowWidth == y.SemicolonRowWidth;
}

bool SameDetection(const TCsvDocument& a, const TCsvDocument& b) {
  return a.Encoding().Name == b.Encoding().Name && a.Encoding().HasBom == b.Encoding().HasBom &&
         a.Delimiter() == b.Delimiter() && a.SingleColumn() == b.SingleColumn();
}

void Compare(const TCsvDocument& whole, TCsvDocument& followed) {
  if (whole.Text() != followed.Text()) Fail("text");
  if (whole.HiddenCommentCount() != followed.HiddenCommentCount()) Fail("hidden lines");
  if (whole.ColumnCount() != followed.ColumnCount()) Fail("columns");
  if (whole.RowCount() != followed.RowCount()) Fail("rows");
  for (std::int32_t r = 0; r < whole.RowCount(); ++r) {
    const qelvar::TCsvRow& a = whole.Rows()[static_cast<std::size_t>(r)];
    const qelvar::TCsvRow& b = followed.Rows()[static_cast<std::size_t>(r)];
    if (a.LineStart != b.LineStart || a.LineLength != b.LineLength || a.IsComment != b.IsComment) Fail("row place");
    if (whole.CellCount(r) != followed.CellCount(r)) Fail("cell count");
    for (std::int32_t c = 0; c < whole.CellCount(r); ++c)
      if (whole.CellRaw(r, c) != followed.CellRaw(r, c)) Fail("cell");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  static constexpr char16_t kDelimiters[] = {0, u',', u';', u'\t', u'|'};
  static constexpr std::u16string_view kEncodings[] = {u"", u"", u"UTF-8", u"UTF-16LE", u"ANSI"};
  const std::string_view bytes(reinterpret_cast<const char*>(data + 4), size - 4);
  const std::size_t prefix = bytes.size() * data[0] / 255;
  const std::size_t piece = std::size_t{1} + data[1] % 16;
  const int mode = data[2] % 4;
  const char16_t delimiter = kDelimiters[(data[2] / 4) % 5];
  const std::u16string_view encoding = kEncodings[(data[2] / 20) % 5];
  const std::int64_t samples = 1 + data[3] % 4;

  Write(bytes, std::ios::trunc);
  std::unique_ptr<TCsvDocument> whole;
  const bool wholeOk = qelvar::LoadFromFile(FilePath(), 0, delimiter, mode, encoding, whole, false, samples);
  Write(bytes.substr(0, prefix), std::ios::trunc);
  std::unique_ptr<TCsvDocument> doc;
  if (!qelvar::LoadFromFile(FilePath(), 0, delimiter, mode, encoding, doc, false, samples)) return 0;
  const bool lossless = doc->Lossless();
  const qelvar::TPreScan decided = Decisions(*doc, samples, mode);
  const bool sameStart = wholeOk && SameDetection(*doc, *whole);
  qelvar::TCsvAppendReader reader;
  if (!reader.Begin(FilePath(), *doc, mode)) Fail("Begin refused a document just loaded");
  for (std::size_t at = prefix; at < bytes.size(); at += piece) {
    Write(bytes.substr(at, piece), std::ios::app);
    if (reader.Check() != qelvar::TFileChange::Grew) Fail("an append is no growth");
    if (reader.ReadAppended(*doc) < 0) Fail("an append was refused");
    if (!qelvar::testing::CheckDocumentInvariants(*doc).empty()) Fail("invariants");
  }
  if (reader.BytesRead() != static_cast<std::int64_t>(bytes.size())) Fail("bytes read");
  if (!wholeOk || whole->Text().empty() || whole->Text().back() != u'\n') return 0;
  if (!sameStart || !SameDecisions(decided, Decisions(*whole, samples, mode))) return 0;
  Compare(*whole, *doc);
  // After the last line break only an odd UTF-16 byte can be left: the whole load drops it, the follower
  // keeps it for the character it may begin.
  const std::int64_t held = static_cast<std::int64_t>(bytes.size()) - doc->SourceBytes();
  if (held < 0 || held > 1) Fail("source bytes");
  if (held == 0 && lossless && whole->Lossless() != doc->Lossless()) Fail("lossless");
  return 0;
}
