// The status bar's texts from the facts they show.
#include <gtest/gtest.h>

#include "viewer/chrome/status_texts.h"

namespace qelvar {
namespace {

TStatusInput Shown() {
  TStatusInput input;
  input.loading = false;
  input.encoding = u"UTF-8";
  input.delimiter = u',';
  input.listedRows = 3;
  input.documentRows = 5;
  input.headerRow = true;
  return input;
}

TEST(ViewerStatusTexts, WhileLoadingOnlyTheFirstPartSaysSo) {
  const auto texts = StatusTexts(TStatusInput{});
  EXPECT_EQ(texts[0], u" Loading...");
  for (int part = 1; part < kStatusParts; ++part) EXPECT_EQ(texts[static_cast<std::size_t>(part)], u"");
}

TEST(ViewerStatusTexts, EncodingDelimiterCommentsAndRows) {
  struct Case {
    const char* what;
    void (*change)(TStatusInput&);
    int part;
    std::u16string expected;
  };
  const Case cases[] = {
      {"encoding", [](TStatusInput&) {}, 0, u" UTF-8"},
      {"detected delimiter", [](TStatusInput&) {}, 1, u" Delimiter: Auto (,)"},
      {"chosen tab", [](TStatusInput& i) { i.autoDelimiter = false; i.delimiter = u'\t'; }, 1, u" Delimiter: TAB"},
      {"comments parsed", [](TStatusInput&) {}, 2, u" Comments: parsed normally (0)"},
      {"comments kept", [](TStatusInput& i) { i.commentMode = 1; }, 2, u" Comments: unparsed (0)"},
      {"comments hidden", [](TStatusInput& i) { i.commentMode = 2; i.hiddenComments = 4; }, 2, u" Comments: hidden (4)"},
      {"comments auto", [](TStatusInput& i) { i.autoComments = true; i.commentMode = 3; i.hiddenComments = 2; }, 2,
       u" Comments: auto (2)"},
      {"rows below the header", [](TStatusInput&) {}, 3, u" Rows: 3/4"},
      {"rows without header", [](TStatusInput& i) { i.headerRow = false; }, 3, u" Rows: 3/5"},
      // An empty file has no header line to subtract.
      {"empty file", [](TStatusInput& i) { i.documentRows = 0; i.listedRows = 0; }, 3, u" Rows: 0/0"},
      // While the rest of a large file is read: how far, and the data rows read so far in groups of three.
      {"loading", [](TStatusInput& i) { i.loadPercent = 37; i.documentRows = 5412001; }, 3,
       u" Loading 37% \u00B7 5,412,000 rows"},
      {"loading starts", [](TStatusInput& i) { i.loadPercent = 0; i.documentRows = 1; }, 3, u" Loading 0% \u00B7 0 rows"},
  };
  for (const Case& c : cases) {
    TStatusInput input = Shown();
    c.change(input);
    EXPECT_EQ(StatusTexts(input)[static_cast<std::size_t>(c.part)], c.expected) << c.what;
  }
}

TEST(ViewerStatusTexts, CurrentCellModesAndSelection) {
  struct Case {
    const char* what;
    void (*change)(TStatusInput&);
    std::u16string expected;
  };
  const Case cases[] = {
      {"nothing", [](TStatusInput&) {}, u""},
      {"cell", [](TStatusInput& i) { i.currentRow = 0; i.currentColumn = 2; }, u" 1:3"},
      {"column without row", [](TStatusInput& i) { i.currentColumn = 2; }, u""},
      {"edit mode", [](TStatusInput& i) { i.editMode = true; }, u" EDIT"},
      {"edited", [](TStatusInput& i) { i.editMode = true; i.modified = true; }, u" EDIT *"},
      {"modified in view mode", [](TStatusInput& i) { i.modified = true; }, u" MODIFIED *"},
      {"transformed", [](TStatusInput& i) { i.transformedView = true; }, u" | TRANSFORM"},
      {"one row selected", [](TStatusInput& i) { i.selectedRows = 1; i.visibleColumns = 2; }, u""},
      {"rows selected", [](TStatusInput& i) { i.selectedRows = 3; i.visibleColumns = 2; }, u" Selected: 3 rows, 2 columns"},
      {"all of it",
       [](TStatusInput& i) {
         i.currentRow = 4;
         i.currentColumn = 0;
         i.editMode = true;
         i.transformedView = true;
         i.selectedRows = 2;
         i.visibleColumns = 1;
       },
       u" 5:1 EDIT | TRANSFORM | Selected: 2 rows, 1 columns"},
      {"follow mode", [](TStatusInput& i) { i.follow = true; }, u" | Follow"},
      {"totals of the selection",
       [](TStatusInput& i) {
         i.selectedRows = 2;
         i.visibleColumns = 1;
         i.stats = u"Count: 2";
       },
       u" Selected: 2 rows, 1 columns | Count: 2"},
      {"a note alone", [](TStatusInput& i) { i.note = u"Undo trimmed"; }, u" Undo trimmed"},
      {"a note after the modes",
       [](TStatusInput& i) {
         i.editMode = true;
         i.note = u"Undo trimmed";
       },
       u" EDIT | Undo trimmed"},
  };
  for (const Case& c : cases) {
    TStatusInput input = Shown();
    c.change(input);
    EXPECT_EQ(StatusTexts(input)[4], c.expected) << c.what;
  }
}

}  // namespace
}  // namespace qelvar
