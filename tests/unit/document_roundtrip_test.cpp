// Whatever qelvar writes reads back as the same table: random values (many of them starting like a
// comment line, empty, or needing quotes) set into every column of tables of every delimiter, rows
// inserted, then saved and reloaded in every comment mode; and the transformed table exported and
// reloaded. Every row must come back as a data row with the same cells.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "document/csv_document.h"
#include "platform/utf.h"
#include "test_support.h"
#include "transform/transform.h"

namespace qelvar {
namespace {

std::u16string RandomValue(std::mt19937& rng, char16_t delimiter) {
  static const std::u16string kStarts[] = {u"#", u";", u"sep=", u"SeP=", u"", u" ", u"\"", u"x", u"\u00e9", u"\uFEFF"};
  static const std::u16string kTail = u"ab#;= \t\"\r\nz\u20ac";
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  std::u16string value = kStarts[pick(std::size(kStarts))];
  for (std::size_t k = pick(4); k > 0; --k) value += pick(5) == 0 ? delimiter : kTail[pick(kTail.size())];
  return value;
}

// The first difference in rows, kinds and cell values, or "".
std::string SameRows(TCsvDocument& expected, TCsvDocument& got) {
  if (expected.RowCount() != got.RowCount())
    return "rows " + std::to_string(expected.RowCount()) + " <> " + std::to_string(got.RowCount());
  for (std::int32_t r = 0; r < got.RowCount(); ++r) {
    const std::string where = "row " + std::to_string(r) + ": ";
    if (got.Rows()[static_cast<std::size_t>(r)].IsComment) return where + "read back as a comment";
    if (expected.CellCount(r) != got.CellCount(r)) return where + "cell count";
    for (std::int32_t c = 0; c < got.CellCount(r); ++c)
      if (expected.GetCell(r, c) != got.GetCell(r, c))
        return where + "cell " + std::to_string(c) + " " + ::testing::PrintToString(Utf16ToUtf8(expected.GetCell(r, c))) +
               " <> " + ::testing::PrintToString(Utf16ToUtf8(got.GetCell(r, c)));
  }
  return {};
}

// "h0<d>h1<d>...", then three rows of plain values.
std::string Table(int width, char16_t delimiter) {
  std::string text;
  const char d = static_cast<char>(delimiter);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < width; ++c) {
      if (c > 0) text += d;
      text += (r == 0 ? "h" : "v") + std::to_string(r) + std::to_string(c);
    }
    text += "\r\n";
  }
  return text;
}

TEST(RoundTrip, SetCellAndInsertedRowsSaveAndReloadAsTheSameRows) {
  test::TempDir dir;
  const std::u16string path = dir.File("t.csv");
  std::mt19937 rng(7);
  int checked = 0;
  for (const char16_t delimiter : kDelimiterCandidates) {
    for (int width = 1; width <= 3; ++width) {
      for (int mode = kCommentsParsed; mode <= kCommentsAuto; ++mode) {
        for (int round = 0; round < 6; ++round) {
          const bool trim = round % 2 == 0;
          std::unique_ptr<TCsvDocument> doc;
          ASSERT_TRUE(LoadFromBytes(Table(width, delimiter), delimiter, mode, u"UTF-8", doc, trim, 1000));
          std::string log;
          for (int op = 0; op < 6; ++op) {
            const auto row = static_cast<std::int32_t>(rng() % static_cast<unsigned>(doc->RowCount()));
            if (rng() % 5 == 0) {
              ASSERT_TRUE(doc->InsertRowAfter(row));
              log += " insert(" + std::to_string(row) + ")";
              continue;
            }
            const auto col = static_cast<std::int32_t>(rng() % static_cast<unsigned>(width));
            const std::u16string value = RandomValue(rng, delimiter);
            ASSERT_TRUE(doc->SetCell(row, col, value));
            ASSERT_EQ(doc->GetCell(row, col), value);
            log += " set(" + std::to_string(row) + "," + std::to_string(col) + ")=" +
                   ::testing::PrintToString(Utf16ToUtf8(value));
          }
          ASSERT_TRUE(SaveDocument(*doc, path, mode)) << log;
          std::unique_ptr<TCsvDocument> again;
          ASSERT_TRUE(LoadFromFile(path, 0, delimiter, mode, doc->Encoding().Name, again, trim, 1000)) << log;
          ASSERT_EQ(SameRows(*doc, *again), "") << "delimiter " << static_cast<char>(delimiter) << " mode " << mode
                                                << ":" << log << "\n"
                                                << ::testing::PrintToString(Utf16ToUtf8(doc->Text()));
          ++checked;
        }
      }
    }
  }
  EXPECT_EQ(checked, 5 * 3 * 4 * 6);
}

TEST(RoundTrip, ExportReloadsAsTheTransformedTable) {
  std::mt19937 rng(11);
  for (const char16_t delimiter : kDelimiterCandidates) {
    for (int width = 1; width <= 3; ++width) {
      for (int round = 0; round < 20; ++round) {
        std::unique_ptr<TCsvDocument> doc;
        ASSERT_TRUE(LoadFromBytes(Table(width, u','), u',', kCommentsParsed, u"UTF-8", doc, false, 1000));
        // Random headers (repeated or empty names included) and values.
        for (std::int32_t r = 0; r < doc->RowCount(); ++r) {
          for (std::int32_t c = 0; c < width; ++c) {
            if (rng() % 3 == 0) continue;
            const std::u16string value = r == 0 && rng() % 4 == 0 ? u"Name" : RandomValue(rng, delimiter);
            ASSERT_TRUE(doc->SetCell(r, c, value));
          }
        }
        TTransformConfig config;
        config.InitFromDocument(doc.get(), true);
        config.ExportDelimiter = delimiter;
        const std::string bytes = config.ExportText(doc.get(), true);
        for (int mode = kCommentsParsed; mode <= kCommentsAuto; ++mode) {
          std::unique_ptr<TCsvDocument> again;
          ASSERT_TRUE(LoadFromBytes(bytes, delimiter, mode, u"", again, false, 1000)) << bytes;
          ASSERT_EQ(again->RowCount(), doc->RowCount()) << "mode " << mode << "\n" << bytes;
          for (std::int32_t r = 0; r < again->RowCount(); ++r) {
            ASSERT_FALSE(again->Rows()[static_cast<std::size_t>(r)].IsComment) << "row " << r << "\n" << bytes;
            ASSERT_EQ(again->CellCount(r), width) << "row " << r << "\n" << bytes;
            for (std::int32_t c = 0; c < width; ++c)
              ASSERT_EQ(again->GetCell(r, c), r == 0 ? config.OutputHeader(c) : doc->GetCell(r, c))
                  << "row " << r << " cell " << c << "\n" << bytes;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace qelvar
