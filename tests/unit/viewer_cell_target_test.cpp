// Which cells the in-place editor opens on, which values its box can hold and how tall it is.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "document/csv_document.h"
#include "viewer/edit/cell_target.h"

namespace qelvar {
namespace {

TEST(ViewerCellTarget, TheBoxHoldsAnyValueButNulAndGrowsALineForEachBreak) {
  struct Case {
    std::u16string value;
    bool fits;
    int lines;
  };
  const Case cases[] = {{u"", true, 1},          {u"plain text", true, 1}, {u"a\nb", true, 2},
                        {u"a\rb", true, 2},       {u"end\r\n", true, 2},    {u"a\r\n\r\nb\n\rc", true, 5},
                        {std::u16string(u"a\0b", 3), false, 1},          {u"tab\there", true, 1},
                        {u"1\n2\n3\n4\n5\n6\n7\n8", true, kMaxEditorLines}};
  for (const Case& c : cases) {
    EXPECT_EQ(FitsEditBox(c.value), c.fits) << testing::PrintToString(c.value.size());
    EXPECT_EQ(EditorLines(c.value), c.lines) << testing::PrintToString(c.value.size());
  }
}

TEST(ViewerCellTarget, OnlyAFieldOfADataRowTakesAValue) {
  std::unique_ptr<TCsvDocument> doc;
  // Comments kept as rows of their own (mode 1); the last row is shorter than the others.
  ASSERT_TRUE(LoadFromBytes("a,b,c\n#note,x\n1,2,3\n4\n", u',', 1, u"UTF-8", doc, false, 1000));
  ASSERT_EQ(doc->RowCount(), 4);
  ASSERT_TRUE(doc->Rows()[1].IsComment);
  struct Case {
    int row, column;
    bool takes;
  };
  const Case cases[] = {{0, 0, true},  {2, 2, true},  {1, 0, false}, {1, 1, false}, {3, 0, true},
                        {3, 1, false}, {4, 0, false}, {-1, 0, false}, {2, -1, false}, {2, 3, false}};
  for (const Case& c : cases) EXPECT_EQ(CellTakesValue(*doc, c.row, c.column), c.takes) << c.row << "," << c.column;
}

}  // namespace
}  // namespace qelvar
