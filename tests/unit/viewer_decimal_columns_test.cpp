// Decimal alignment of numeric columns: which columns align, and where the separator goes.
#include <gtest/gtest.h>

#include "viewer/grid/decimal_columns.h"

namespace qelvar {
namespace {

TEST(ViewerDecimalColumns, OnlyColumnsWithASampledNumberAlignAndOnlyWhileEnabled) {
  TDecimalColumns decimal;
  decimal.Reset(3);
  decimal.NoteNumber(1, 20);
  decimal.NoteNumber(7, 20);  // beyond the columns: ignored
  EXPECT_FALSE(decimal.Aligns(0));
  EXPECT_TRUE(decimal.Aligns(1));
  EXPECT_FALSE(decimal.Aligns(7));
  decimal.SetEnabled(false);
  EXPECT_FALSE(decimal.Aligns(1));
  EXPECT_EQ(decimal.SeparatorAt(1, 10, 5, 100), -1);
}

TEST(ViewerDecimalColumns, TheSeparatorSitsAtTheWidestIntegerPartWhileTheNumberFits) {
  struct Case {
    const char* what;
    int integerWidth, tailWidth, room;
    bool widened;
    int separator;
  };
  // The sampled numbers of the column had integer parts up to 30 pixels.
  const Case cases[] = {
      {"narrower integer part", 12, 10, 100, false, 30},
      {"as wide as the widest", 30, 10, 100, false, 30},
      {"wider and still fits: the column widens", 45, 10, 100, true, 45},
      {"wider but would not fit: plain text", 45, 60, 100, false, -1},
      {"aligned it would not fit: plain text", 12, 75, 100, false, -1},
      {"exactly fills the room", 30, 70, 100, false, 30},
  };
  for (const Case& c : cases) {
    TDecimalColumns decimal;
    decimal.Reset(2);
    decimal.NoteNumber(1, 18);
    decimal.NoteNumber(1, 30);
    EXPECT_EQ(decimal.Widen(1, c.integerWidth, c.tailWidth, c.room), c.widened) << c.what;
    EXPECT_EQ(decimal.SeparatorAt(1, c.integerWidth, c.tailWidth, c.room), c.separator) << c.what;
  }
}

TEST(ViewerDecimalColumns, AResetForgetsTheMeasures) {
  TDecimalColumns decimal;
  decimal.Reset(2);
  decimal.NoteNumber(0, 50);
  decimal.Reset(2);
  EXPECT_FALSE(decimal.Aligns(0));
}

}  // namespace
}  // namespace qelvar
