// Arbitrary bytes loaded in blocks of any size, with any options: the result is the load in one piece's,
// success and failure alike, cell by cell, unless the loader says that the file's start decided something
// its rest contradicts (then the document still keeps its invariants). The first input bytes choose the
// options, the rest is the file.
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
#include "document/csv_document.h"
#include "document/progressive_load.h"

namespace {

using qelvar::TCsvDocument;

void Fail(const char* what) {
  std::fprintf(stderr, "the load in blocks differs from the load in one piece: %s\n", what);
  std::abort();
}

const std::u16string& FilePath() {
  static const std::u16string path =
      (std::filesystem::temp_directory_path() / ("qelvar-fuzz-progressive-" + std::to_string(::getpid()) + ".csv"))
          .u16string();
  return path;
}

void Compare(const TCsvDocument& whole, const TCsvDocument& blocks) {
  if (whole.Text() != blocks.Text()) Fail("text");
  if (whole.Delimiter() != blocks.Delimiter() || whole.SingleColumn() != blocks.SingleColumn()) Fail("delimiter");
  if (whole.Encoding().Name != blocks.Encoding().Name || whole.Encoding().Lossless != blocks.Encoding().Lossless)
    Fail("encoding");
  if (whole.HiddenCommentCount() != blocks.HiddenCommentCount()) Fail("hidden lines");
  if (whole.ColumnCount() != blocks.ColumnCount()) Fail("columns");
  if (whole.RowCount() != blocks.RowCount()) Fail("rows");
  for (std::int32_t r = 0; r < whole.RowCount(); ++r) {
    const qelvar::TCsvRow& a = whole.Rows()[static_cast<std::size_t>(r)];
    const qelvar::TCsvRow& b = blocks.Rows()[static_cast<std::size_t>(r)];
    if (a.LineStart != b.LineStart || a.LineLength != b.LineLength || a.IsComment != b.IsComment) Fail("row place");
    if (whole.CellCount(r) != blocks.CellCount(r)) Fail("cell count");
    for (std::int32_t c = 0; c < whole.CellCount(r); ++c)
      if (whole.CellRaw(r, c) != blocks.CellRaw(r, c) || whole.CellValue(r, c) != blocks.CellValue(r, c))
        Fail("cell");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  static constexpr char16_t kDelimiters[] = {0, u',', u';', u'\t', u'|'};
  const std::size_t block = data[0] % 5 == 4 ? 4096 : std::size_t{1} + data[0] % 64;
  const std::size_t start = data[1] % 3 == 0 ? 0 : std::size_t{1} + data[1] % 128;
  const int mode = data[2] % 4;
  const char16_t delimiter = kDelimiters[(data[2] / 4) % 5];
  const std::int64_t samples = data[3] % 2 == 0 ? 1000 : 1 + data[3] % 8;
  const bool trim = (data[3] & 0x80) != 0;
  {
    std::ofstream out(std::filesystem::path(FilePath()), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data + 4), static_cast<std::streamsize>(size - 4));
  }
  std::unique_ptr<TCsvDocument> whole;
  const bool wholeOk = qelvar::LoadFromFile(FilePath(), 0, delimiter, mode, u"", whole, trim, samples);
  qelvar::TProgressiveOptions options;
  options.BlockBytes = block;
  options.StartBytes = start;
  std::unique_ptr<TCsvDocument> blocks;
  qelvar::TCsvProgressiveLoad load;
  bool blocksOk = load.Start(FilePath(), 0, delimiter, mode, u"", trim, samples, options, blocks);
  if (blocksOk) {
    qelvar::TCsvBatch batch;
    while (load.Next(batch))
      if (!blocks->AppendBatch(std::move(batch))) Fail("a batch was refused");
    blocksOk = load.State() == qelvar::TLoadState::Done;
  }
  if (blocksOk && !qelvar::testing::CheckDocumentInvariants(*blocks).empty()) Fail("invariants");
  if (load.Mismatch()) return 0;
  if (blocksOk != wholeOk) Fail(blocksOk ? "the blocks read what the whole file does not" : "the blocks failed");
  if (blocksOk) Compare(*whole, *blocks);
  return 0;
}
