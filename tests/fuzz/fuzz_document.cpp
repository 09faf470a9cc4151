// Arbitrary bytes with arbitrary load options: the load succeeds or fails cleanly, a loaded document keeps
// its invariants through decoding and a few edits, and a lossless load encodes back to the very bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <string_view>

#include "../unit/document_invariants.h"
#include "document/csv_model.h"

namespace {

void Check(const qelvar::TCsvDocument& doc, const char* when) {
  const std::string broken = qelvar::testing::CheckDocumentInvariants(doc);
  if (!broken.empty()) {
    std::fprintf(stderr, "invariant broken %s: %s\n", when, broken.c_str());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qelvar;
  if (size < 3) return 0;
  // Three option bytes, then the file.
  static constexpr std::u16string_view kEncodings[] = {u"", u"UTF-8", u"UTF-16LE", u"UTF-16BE", u"ANSI", u"x"};
  static constexpr char16_t kDelimiters[] = {0, u',', u';', u'|', u'\t', u':', u'"', u' ', u'a'};
  static constexpr std::int64_t kSamples[] = {1000, 0, 1, 2};
  const int mode = data[0] & 3;
  const bool trim = (data[0] & 4) != 0;
  const std::int64_t samples = kSamples[(data[0] >> 3) & 3];
  const std::u16string_view encoding = kEncodings[data[1] % 6];
  const char16_t delimiter = kDelimiters[data[2] % 9];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 3), size - 3);

  std::unique_ptr<TCsvDocument> doc;
  if (!LoadFromBytes(bytes, delimiter, mode, encoding, doc, trim, samples)) {
    if (doc) std::abort();
    return 0;
  }
  Check(*doc, "after load");
  if (doc->Lossless()) {
    std::string back;
    if (EncodeText(doc->Text(), doc->Encoding(), back) && back != bytes) {
      std::fprintf(stderr, "an unedited lossless load does not encode back to its bytes\n");
      std::abort();
    }
  }
  while (doc->DecodeNext(1 + static_cast<std::int32_t>(size % 7)) > 0) {
  }
  if (doc->HasUndecodedCells()) std::abort();
  Check(*doc, "after decoding");

  // A few edits chosen by the bytes themselves.
  std::uint32_t h = 2166136261u;
  for (std::size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
  for (int op = 0; op < 6 && doc->RowCount() > 0; ++op) {
    h = h * 1103515245u + 12345u;
    const auto row = static_cast<std::int32_t>((h >> 8) % static_cast<std::uint32_t>(doc->RowCount() + 1)) - (op == 5);
    const auto col = static_cast<std::int32_t>((h >> 20) % static_cast<std::uint32_t>(doc->ColumnCount() + 2)) - 1;
    switch ((h >> 4) % 4) {
      case 0: {
        static constexpr std::u16string_view kValues[] = {u"", u"x", u" y", u"a,b", u"q\"", u"l\r\nm", u"\u00e9"};
        doc->SetCell(row, col, kValues[(h >> 12) % 7]);
        break;
      }
      case 1: doc->InsertRowAfter(row); break;
      case 2: doc->DeleteRow(row); break;
      default: doc->DeleteColumn(col); break;
    }
    Check(*doc, "after an edit");
  }
  return 0;
}
