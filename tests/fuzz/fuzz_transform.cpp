// Arbitrary bytes as a transformation file: no crash, no hang, no half-taken-over state; whatever loads
// saves and loads back to the same transformation, evaluates without failing, and exports a file that
// loads back as the transformed table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "document/csv_document.h"
#include "transform/transform.h"

namespace {

qelvar::TCsvDocument* Document() {
  static std::unique_ptr<qelvar::TCsvDocument> document = [] {
    std::unique_ptr<qelvar::TCsvDocument> d;
    if (!qelvar::LoadFromBytes("a,b,c\r\n1,x,\r\n2\r\n\"3,5\",y,z\r\n", u',', qelvar::kCommentsParsed, u"UTF-8", d,
                               false, 100))
      std::abort();
    return d;
  }();
  return document.get();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qelvar;
  // The first byte chooses whether the rest is the whole file or is put inside a valid one, so that short
  // runs without a corpus still reach the member readers.
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  static constexpr std::string_view kHead =
      R"({"initial_headers": ["a", "B"], "constant_vars": {"a": "1"}, "fill_vars": {}, "rename_headers": {},)"
      R"( "added_headers": [], )";
  std::string text;
  switch (data[0] % 4) {
    case 0: text = rest; break;
    case 1: text = std::string(kHead) + R"("enumeration_vars": {}, "target_order": [)" + std::string(rest) + "]}"; break;
    case 2: text = std::string(kHead) + R"("target_order": ["a", "x"], "enumeration_vars": {)" + std::string(rest) + "}}"; break;
    default:
      text = std::string(kHead) + R"("target_order": ["a"], "enumeration_vars": {}, )" + std::string(rest) + "}";
      break;
  }

  TTransformConfig config;
  config.InitFromDocument(Document(), true);
  config.SetConstant(0, u"k");
  const TTransformConfig before = config;
  const bool ok = config.LoadFromJsonText(text);
  // A failed load leaves everything as it was, except a complete file without output columns.
  if (!ok && !(config == before) && !config.TargetOrder.empty()) std::abort();
  if (!ok) return 0;

  TTransformConfig again;
  if (!again.LoadFromJsonText(config.ToJsonText()) || !(again == config)) std::abort();

  for (std::int32_t i = -1; i <= config.TargetCount(); ++i) {
    (void)config.DisplayText(i);
    for (std::int32_t r = -1; r <= Document()->RowCount(); ++r) (void)config.CellValue(i, r, 1, Document());
  }
  const std::string exported = config.ExportText(Document(), true);
  if (exported.size() < 2 || exported.compare(exported.size() - 2, 2, "\r\n") != 0) std::abort();

  // The export reads back as the transformed table: the header line, then one row per data row.
  if (config.TargetCount() == 0) return 0;  // lines without fields: nothing to read back
  std::unique_ptr<TCsvDocument> read;
  if (!LoadFromBytes(exported, config.ExportDelimiter, kCommentsHidden, u"UTF-8", read, false, 1000)) std::abort();
  if (read->RowCount() != Document()->RowCount()) std::abort();
  for (std::int32_t r = 0; r < read->RowCount(); ++r) {
    if (read->Rows()[static_cast<std::size_t>(r)].IsComment || read->CellCount(r) != config.TargetCount()) std::abort();
    for (std::int32_t i = 0; i < config.TargetCount(); ++i) {
      const std::u16string want = r == 0 ? config.OutputHeader(i) : config.CellValue(i, r, 1, Document());
      if (read->GetCell(r, i) != want) std::abort();
    }
  }
  return 0;
}
