// Seeded random documents and edit sequences for DeleteRows and the undo history.
//
// DeleteRows must leave exactly what DeleteRow on each row from the last does. Every edit sequence must
// come back, undo by undo, through the very states it went through (text, structure, the model's cells and
// kinds) down to the loaded text byte for byte; an undo/redo pair anywhere changes nothing; a save after a
// partial undo reads back as the model of that state predicts, and the modified flag follows the save.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "test_support.h"
#include "document/csv_document.h"
#include "platform/utf.h"
#include "unit/document_random_model.h"

namespace qelvar {
namespace {

namespace fs = std::filesystem;

using testing::CheckDocumentInvariants;
using testing::Compare;
using testing::DocumentShape;
using testing::Generator;
using testing::Model;

constexpr char16_t kDelimiters[] = {u',', u'\t', u'|', u':', u';'};
constexpr std::u16string_view kStyles[] = {u"\n", u"\r\n", u"\r", u"x"};

std::vector<bool> Kinds(const TCsvDocument& doc) {
  std::vector<bool> kinds;
  for (const TCsvRow& row : doc.Rows()) kinds.push_back(row.IsComment);
  return kinds;
}

// Random row indexes, duplicates and indexes out of range among them.
std::vector<std::int32_t> RandomRows(Generator& gen, std::int32_t rows) {
  std::vector<std::int32_t> picked;
  const int count = gen.Pick(rows + 3);
  for (int k = 0; k < count; ++k) picked.push_back(gen.Pick(rows + 3) - 1);
  if (gen.Chance(10)) {
    for (std::int32_t r = 0; r < rows; ++r) picked.push_back(r);
  }
  return picked;
}

// The valid indexes from the last to the first, as the deletions one by one go.
std::vector<std::int32_t> Descending(std::vector<std::int32_t> rows, std::int32_t rowCount) {
  std::erase_if(rows, [&](std::int32_t r) { return r < 0 || r >= rowCount; });
  std::sort(rows.rbegin(), rows.rend());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

TEST(DocumentUndoRandom, DeleteRowsEqualsDeleteRowOneByOne) {
  int deletedSome = 0;
  for (std::uint32_t seed = 1; seed <= 300; ++seed) {
    const int mode = static_cast<int>(seed % 4);
    Generator gen(seed, false, kDelimiters[(seed / 4) % 5], std::u16string(kStyles[(seed / 20) % 4]));
    gen.SetBreaksInValues(mode != kCommentsUnparsed);
    const bool trim = gen.Chance(50);
    Model m = gen.Lines(mode, trim);
    m.Classify();
    auto doc = std::make_unique<TCsvDocument>();
    auto oneByOne = std::make_unique<TCsvDocument>();
    // Few sampled rows leave most cells undecoded, so that the decoding cursor stops inside the rows.
    const std::int64_t samples = seed % 2 ? 1000 : 1 + gen.Pick(3);
    ASSERT_TRUE(doc->Parse(m.Text(), m.delimiter, mode, trim, samples)) << "seed " << seed;
    ASSERT_TRUE(oneByOne->Parse(m.Text(), m.delimiter, mode, trim, samples));
    const std::int32_t decoded = gen.Pick(12);
    doc->DecodeNext(decoded);
    oneByOne->DecodeNext(decoded);
    const std::string shape = DocumentShape(*doc);

    const std::vector<std::int32_t> rows = RandomRows(gen, doc->RowCount());
    const std::vector<std::int32_t> order = Descending(rows, doc->RowCount());
    const std::int32_t deleted = doc->DeleteRows(rows);
    for (const std::int32_t r : order) ASSERT_TRUE(oneByOne->DeleteRow(r));
    const std::string where = "seed " + std::to_string(seed) + " rows " + ::testing::PrintToString(rows);
    ASSERT_EQ(deleted, static_cast<std::int32_t>(order.size())) << where;
    ASSERT_EQ(doc->Text(), oneByOne->Text()) << where;
    ASSERT_EQ(DocumentShape(*doc), DocumentShape(*oneByOne)) << where;
    ASSERT_EQ(doc->DecodeRow(), oneByOne->DecodeRow()) << where;
    ASSERT_EQ(doc->DecodeCol(), oneByOne->DecodeCol()) << where;
    ASSERT_EQ(CheckDocumentInvariants(*doc), "") << where;
    for (std::int32_t r = 0; r < doc->RowCount(); ++r)
      for (std::int32_t c = 0; c < doc->CellCount(r); ++c) ASSERT_EQ(doc->GetCell(r, c), oneByOne->GetCell(r, c)) << where;
    deletedSome += deleted > 0;

    if (deleted > 0) {
      ASSERT_TRUE(doc->Undo().Done);
      ASSERT_EQ(doc->Text(), m.Text()) << where;
      ASSERT_EQ(DocumentShape(*doc), shape) << where;
      ASSERT_EQ(CheckDocumentInvariants(*doc), "") << where;
      if (samples == 1000) {
        ASSERT_EQ(Compare(*doc, m), "") << where;
      }
    }
  }
  EXPECT_GT(deletedSome, 150);
}

class DocumentUndoFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = temp_.path();
  }
  test::TempDir temp_;
  fs::path dir_;
};

// One state the history went through: what undo must bring back.
struct State {
  std::u16string text;
  std::string shape;
  Model model;
};

TEST_F(DocumentUndoFiles, UndoingEveryEditGivesBackTheLoadedText) {
  static constexpr std::u16string_view kEncodings[] = {u"UTF-8", u"UTF-16LE", u"UTF-16BE"};
  const fs::path file = dir_ / "data.csv";
  int longSequences = 0;
  for (std::uint32_t seed = 1; seed <= 300; ++seed) {
    TCsvEncodingInfo info;
    info.Name = kEncodings[seed % 3];
    info.HasBom = (seed / 3) % 2 == 0;
    const int mode = static_cast<int>((seed / 6) % 4);
    Generator gen(seed * 7919u, false, kDelimiters[(seed / 24) % 5], std::u16string(kStyles[seed % 4]));
    gen.SetBreaksInValues(mode != kCommentsUnparsed);
    const bool trim = gen.Chance(50);
    Model m = gen.Lines(mode, trim);
    m.Classify();
    m.encoding = info;
    std::string bytes;
    ASSERT_TRUE(EncodeText(m.Text(), info, bytes));
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    std::unique_ptr<TCsvDocument> doc;
    ASSERT_TRUE(LoadFromFile(file.u16string(), 0, m.delimiter, mode, info.Name, doc, trim, 1000)) << "seed " << seed;
    ASSERT_EQ(Compare(*doc, m), "") << "seed " << seed;
    const std::vector<bool> loadedKinds = Kinds(*doc);

    std::vector<State> states{{doc->Text(), DocumentShape(*doc), m}};
    std::string log = "seed " + std::to_string(seed) + ":";
    const int ops = gen.Pick(30);
    for (int op = 0; op < ops; ++op) {
      const std::int32_t r = gen.Pick(doc->RowCount() + 2) - 1;
      const std::int32_t c = gen.Pick(std::max(doc->ColumnCount(), 1) + 2) - 1;
      const int kind = gen.Pick(20);
      bool got = false;
      bool want = false;
      if (kind < 9) {
        const std::u16string value = gen.Value();
        log += " set(" + std::to_string(r) + "," + std::to_string(c) + ")";
        got = doc->SetCell(r, c, value);
        want = m.SetCell(r, c, value);
      } else if (kind < 12) {
        log += " insert(" + std::to_string(r) + ")";
        got = doc->InsertRowAfter(r);
        want = m.InsertRowAfter(r);
      } else if (kind < 14) {
        log += " delrow(" + std::to_string(r) + ")";
        got = doc->DeleteRow(r);
        want = m.DeleteRow(r);
      } else if (kind < 16) {
        const std::vector<std::int32_t> rows = RandomRows(gen, doc->RowCount());
        log += " delrows" + ::testing::PrintToString(rows);
        const std::vector<std::int32_t> order = Descending(rows, doc->RowCount());
        got = doc->DeleteRows(rows) == static_cast<std::int32_t>(order.size()) && !order.empty();
        for (const std::int32_t row : order) want = m.DeleteRow(row) || want;
      } else if (kind < 18) {
        log += " delcol(" + std::to_string(c) + ")";
        got = doc->DeleteColumn(c);
        want = m.DeleteColumn(c);
      } else {
        // An undo/redo pair changes nothing.
        log += " undo+redo";
        const std::u16string text = doc->Text();
        const std::string shape = DocumentShape(*doc);
        const bool could = doc->CanUndo();
        ASSERT_EQ(doc->Undo().Done, could) << log;
        if (could) {
          ASSERT_GE(states.size(), 2u) << log;
          ASSERT_EQ(doc->Text(), states[states.size() - 2].text) << log;
          ASSERT_EQ(doc->Redo().Done, true) << log;
        }
        ASSERT_EQ(doc->Text(), text) << log;
        ASSERT_EQ(DocumentShape(*doc), shape) << log;
        ASSERT_EQ(Compare(*doc, m), "") << log;
        continue;
      }
      ASSERT_EQ(got, want) << log;
      ASSERT_EQ(Compare(*doc, m), "") << log;
      // An edit that changed the text or the rows was recorded; one that changed nothing was not.
      if (doc->Text() != states.back().text || DocumentShape(*doc) != states.back().shape)
        states.push_back({doc->Text(), DocumentShape(*doc), m});
    }
    ASSERT_FALSE(doc->CanRedo()) << log;
    longSequences += states.size() > 5;

    // Undo part of the way, checking each state on the way down, and save there.
    const std::size_t top = states.size() - 1;
    const std::size_t savedAt = static_cast<std::size_t>(gen.Pick(static_cast<int>(states.size())));
    for (std::size_t level = top; level > savedAt; --level) {
      ASSERT_TRUE(doc->Undo().Done) << log;
      const State& s = states[level - 1];
      ASSERT_EQ(doc->Text(), s.text) << log << " undone to " << level - 1;
      ASSERT_EQ(DocumentShape(*doc), s.shape) << log << " undone to " << level - 1;
      ASSERT_EQ(Compare(*doc, s.model), "") << log << " undone to " << level - 1;
    }
    ASSERT_EQ(doc->IsModified(), savedAt != 0) << log;
    // Random edits may leave a table that a fresh open reads otherwise: the save with the load's options.
    ASSERT_TRUE(SaveTextToFile(file.u16string(), doc->Text(), doc->Encoding(), doc->Delimiter(), mode, doc->TrimValues()))
        << log;
    doc->MarkSaved();
    std::unique_ptr<TCsvDocument> again;
    ASSERT_TRUE(LoadFromFile(file.u16string(), 0, m.delimiter, mode, info.Name, again, trim, 1000)) << log;
    Model reloaded = states[savedAt].model;
    reloaded.Classify();
    ASSERT_EQ(Compare(*again, reloaded), "") << log << " reloaded at " << savedAt;

    // The rest of the way down: the loaded text byte for byte, every row of its kind again.
    for (std::size_t level = savedAt; level > 0; --level) {
      ASSERT_TRUE(doc->Undo().Done) << log;
      ASSERT_EQ(DocumentShape(*doc), states[level - 1].shape) << log << " undone to " << level - 1;
    }
    ASSERT_FALSE(doc->CanUndo()) << log;
    ASSERT_EQ(doc->Text(), states[0].text) << log;
    ASSERT_EQ(Kinds(*doc), loadedKinds) << log;
    ASSERT_EQ(Compare(*doc, states[0].model), "") << log;
    std::string back;
    ASSERT_TRUE(EncodeText(doc->Text(), info, back));
    ASSERT_EQ(back, bytes) << log;
    // The file now holds the state saved above.
    ASSERT_EQ(doc->IsModified(), savedAt != 0) << log;

    // And up again to the top: unmodified exactly at the saved point.
    for (std::size_t level = 1; level <= top; ++level) {
      ASSERT_TRUE(doc->Redo().Done) << log;
      ASSERT_EQ(doc->Text(), states[level].text) << log << " redone to " << level;
      ASSERT_EQ(DocumentShape(*doc), states[level].shape) << log << " redone to " << level;
      ASSERT_EQ(doc->IsModified(), level != savedAt) << log;
    }
    ASSERT_FALSE(doc->CanRedo());
    ASSERT_EQ(Compare(*doc, states.back().model), "") << log;
  }
  EXPECT_GT(longSequences, 100) << longSequences;
}

}  // namespace
}  // namespace qelvar
