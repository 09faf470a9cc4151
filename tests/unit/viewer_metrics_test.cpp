// The sizes of the viewer's controls from the DPI and the grid font.
#include <gtest/gtest.h>

#include <climits>

#include "viewer/look/metrics.h"

namespace qelvar {
namespace {

TMetrics At(int dpi, int fontSize) {
  TMetrics metrics;
  metrics.SetFont(u"Segoe UI", fontSize, 0);
  metrics.SetDpi(dpi);
  return metrics;
}

TEST(ViewerMetrics, ScaleRoundsToTheNearestPixelAsWindowsDoes) {
  struct Case {
    int dpi, n, expected;
  };
  const Case cases[] = {{96, 7, 7}, {144, 1, 2}, {144, 3, 5}, {120, 2, 3}, {120, -2, -3}, {0, 5, 5}, {-1, 5, 5}};
  for (const Case& c : cases) EXPECT_EQ(At(c.dpi, 16).Scale(c.n), c.expected) << c.dpi << " dpi, " << c.n;
}

TEST(ViewerMetrics, FontSettingsAreClampedAndWeightsAreHundreds) {
  struct Case {
    int size, weight, expectedSize, expectedWeight;
  };
  const Case cases[] = {{16, 4, 16, 400}, {3, 9, kMinFontSize, 900}, {200, 1, kMaxFontSize, 100},
                        {12, 0, 12, 0},   {12, 10, 12, 0},            {12, -7, 12, 0}};
  for (const Case& c : cases) {
    TMetrics metrics;
    metrics.SetFont(u"Consolas", c.size, c.weight);
    EXPECT_EQ(metrics.FontSize(), c.expectedSize) << c.size;
    EXPECT_EQ(metrics.FontWeight(), c.expectedWeight) << c.weight;
  }
}

TEST(ViewerMetrics, ZoomStaysWithinTheLimitsAndReportsNoChange) {
  TMetrics metrics = At(96, kMaxFontSize - 1);
  EXPECT_TRUE(metrics.SetFontSize(kMaxFontSize));
  EXPECT_FALSE(metrics.SetFontSize(kMaxFontSize));  // already so: nothing to redo
  EXPECT_FALSE(metrics.SetFontSize(kMaxFontSize + 1));
  EXPECT_FALSE(metrics.SetFontSize(kMinFontSize - 1));
  EXPECT_EQ(metrics.FontSize(), kMaxFontSize);
}

TEST(ViewerMetrics, SizesOfTheControlsAtTodaysFonts) {
  struct Case {
    int dpi, fontSize, pixelHeight, request, filterRow, statusBar, panel;
  };
  const Case cases[] = {
      {96, 10, 13, -13, 24, 22, 330},   // the minimums of the filter row and the status bar hold
      {96, 16, 21, -21, 29, 29, 533},
      {144, 16, 32, -32, 44, 44, 812},
  };
  for (const Case& c : cases) {
    const TMetrics m = At(c.dpi, c.fontSize);
    EXPECT_EQ(m.FontPixelHeight(), c.pixelHeight) << c.dpi << "/" << c.fontSize;
    EXPECT_EQ(m.FontRequestHeight(), c.request) << c.dpi << "/" << c.fontSize;
    EXPECT_EQ(m.FilterRowHeight(), c.filterRow) << c.dpi << "/" << c.fontSize;
    EXPECT_EQ(m.StatusBarHeight(), c.statusBar) << c.dpi << "/" << c.fontSize;
    EXPECT_EQ(m.TransformPanelWidth(), c.panel) << c.dpi << "/" << c.fontSize;
  }
}

TEST(ViewerMetrics, AnAbsurdDpiDoesNotOverflowTheSizes) {
  const TMetrics m = At(INT_MAX, kMaxFontSize);
  for (const int size : {m.Scale(INT_MAX), m.FontPixelHeight(), m.ScaleByFont(INT_MAX), m.FilterRowHeight(),
                         m.StatusBarHeight(), m.TransformPanelWidth()}) {
    EXPECT_GT(size, 0);
    EXPECT_LE(size, 32767);
  }
}

}  // namespace
}  // namespace qelvar
