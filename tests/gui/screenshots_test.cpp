// Screenshots for people (and the user guide, see scripts/update-screenshots.sh): the sample file in the
// light and the dark theme, with line numbers and sorted by its "Date" column (newest first), and filtered
// through the filter row, written to <build>/screenshots. The test also checks what makes the
// pictures worth looking at: sorting takes effect (numerically on numbers) and the theme's background is
// painted.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"

namespace qelvar::gui {
namespace {

// Mean brightness (0..255) of the capture, a coarse but robust light/dark test.
double MeanBrightness(const TCapture& capture) {
  double sum = 0;
  for (const std::uint32_t p : capture.pixels) {
    sum += 0.299 * ((p >> 16) & 0xFFU) + 0.587 * ((p >> 8) & 0xFFU) + 0.114 * (p & 0xFFU);
  }
  return capture.pixels.empty() ? 0 : sum / static_cast<double>(capture.pixels.size());
}

int ColumnIndex(HWND listView, const std::wstring& title) {
  const std::vector<std::wstring> titles = ColumnTitles(listView);
  for (std::size_t i = 0; i < titles.size(); ++i) {
    if (titles[i].find(title) != std::wstring::npos) return static_cast<int>(i);
  }
  return -1;
}

struct ThemeCase {
  const char* settings;
  const wchar_t* file;
  bool dark;
};

class ScreenshotTest : public ::testing::TestWithParam<ThemeCase> {
 protected:
  void TearDown() override { ResetSettings(); }
};

TEST_P(ScreenshotTest, SampleSortedWithLineNumbers) {
  const ThemeCase& c = GetParam();
  SetSettings(c.settings);
  TViewerSession session(SourcePath(L"examples/sample.csv"), 0, 1200, 600);
  ASSERT_NE(session.Viewer(), nullptr);
  ASSERT_TRUE(session.WaitLoaded());
  HWND list = session.ListView();

  // Line numbers first, then the file's columns.
  const int total = ColumnIndex(list, L"Total");
  ASSERT_GT(total, 0);
  EXPECT_EQ(CellText(list, 0, 0), L"1");

  // Two clicks on the header: ascending, then descending.
  ClickColumnHeader(list, total);
  ClickColumnHeader(list, total);
  ASSERT_TRUE(PumpUntil([&] { return CellText(list, 0, total) == L"1194.16"; }, 5000))
      << "first Total after sorting: " << Utf8(CellText(list, 0, total));
  // Numeric, not textual, order: 1124.10 follows 1194.16 (text order would put 94.50 near the top).
  EXPECT_EQ(CellText(list, 1, total), L"1124.10");
  EXPECT_EQ(CellText(list, ItemCount(list) - 1, total), L"28.50");

  // The picture: newest orders first, the sort mark on a column that is in view.
  const int date = ColumnIndex(list, L"Date");
  ASSERT_GT(date, 0);
  ClickColumnHeader(list, date);
  ClickColumnHeader(list, date);
  ASSERT_TRUE(PumpUntil([&] { return CellText(list, 0, date) == L"2024-01-31"; }, 5000));
  EXPECT_EQ(SortArrow(session.Header(), date), -1);

  const TCapture capture = CaptureWindow(session.Host().Handle());
  ASSERT_FALSE(capture.Empty());
  if (c.dark) {
    EXPECT_LT(MeanBrightness(capture), 110.0);
  } else {
    EXPECT_GT(MeanBrightness(capture), 150.0);
  }
  CreateDirectoryW(BuildPath(L"screenshots").c_str(), nullptr);
  const std::wstring path = BuildPath(std::wstring(L"screenshots\\") + c.file);
  ASSERT_TRUE(SavePng(capture, path)) << Utf8(path);
  std::printf("screenshot: %s\n", Utf8(path).c_str());
}

// The filter row in use, for the user guide: two filters at once, a text and a number comparison.
class ScreenshotFilterTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetSettings(); }
};

TEST_F(ScreenshotFilterTest, SampleFilteredByProductAndQuantity) {
  SetSettings("theme-mode=light\n");
  // Wide enough for both filtered columns to be in the picture.
  TViewerSession session(SourcePath(L"examples/sample.csv"), 0, 1400, 600);
  ASSERT_TRUE(session.WaitLoaded());
  HWND list = session.ListView();
  const int product = ColumnIndex(list, L"Product");
  const int quantity = ColumnIndex(list, L"Quantity");
  ASSERT_GT(product, 0);
  ASSERT_GT(quantity, product);

  TypeText(session.FilterEdit(product), L"beans");
  TypeText(session.FilterEdit(quantity), L">10");
  // Three orders of more than ten bags of beans, compared as numbers: as text, 2, 6, 8 and 5 would pass too.
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 3; }, 5000)) << ItemCount(list);
  for (int row = 0; row < ItemCount(list); ++row) {
    EXPECT_NE(CellText(list, row, product).find(L"beans"), std::wstring::npos);
    EXPECT_GT(std::stoi(CellText(list, row, quantity)), 10);
  }
  ASSERT_GE(StatusTexts(session.StatusBar()).size(), 4u);
  EXPECT_EQ(StatusTexts(session.StatusBar())[3], L" Rows: 3/27");
  const RECT box = RectIn(session.FilterEdit(quantity), session.Host().Handle());
  RECT client{};
  GetClientRect(session.Host().Handle(), &client);
  EXPECT_LE(box.right, client.right) << "the quantity filter is not in the picture";

  const TCapture capture = CaptureWindow(session.Host().Handle());
  ASSERT_FALSE(capture.Empty());
  CreateDirectoryW(BuildPath(L"screenshots").c_str(), nullptr);
  const std::wstring path = BuildPath(L"screenshots\\grid-filter.png");
  ASSERT_TRUE(SavePng(capture, path)) << Utf8(path);
  std::printf("screenshot: %s\n", Utf8(path).c_str());
}

INSTANTIATE_TEST_SUITE_P(Themes, ScreenshotTest,
                         ::testing::Values(ThemeCase{"theme-mode=light\nshow-line-numbers=1\n", L"grid-light.png", false},
                                           ThemeCase{"theme-mode=dark\nshow-line-numbers=1\n", L"grid-dark.png", true}),
                         [](const ::testing::TestParamInfo<ThemeCase>& param) { return param.param.dark ? "Dark" : "Light"; });

}  // namespace
}  // namespace qelvar::gui
