// Screenshots for people: the sample file in the light and the dark theme, with line numbers and sorted
// by its "Date" column (newest first), written to <build>/screenshots. The test also checks what makes the
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

INSTANTIATE_TEST_SUITE_P(Themes, ScreenshotTest,
                         ::testing::Values(ThemeCase{"theme-mode=light\nshow-line-numbers=1\n", L"grid-light.png", false},
                                           ThemeCase{"theme-mode=dark\nshow-line-numbers=1\n", L"grid-dark.png", true}),
                         [](const ::testing::TestParamInfo<ThemeCase>& param) { return param.param.dark ? "Dark" : "Light"; });

}  // namespace
}  // namespace qelvar::gui
