// The shipped language files: complete, readable by the loader, and every text with the English text's
// placeholders in the same order.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "localization/localization.h"
#include "platform/platform.h"
#include "platform/utf.h"
#include "test_support.h"

namespace qelvar {
namespace {

// The printf-style placeholders of a text in order ("%%" is a literal percent sign, not a placeholder).
std::vector<std::u16string> Placeholders(std::u16string_view text) {
  std::vector<std::u16string> found;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'%') continue;
    if (text[i + 1] != u'%') found.push_back(std::u16string(text.substr(i, 2)));
    ++i;
  }
  return found;
}

TEST(ShippedLanguageFiles, CompleteWithTheEnglishPlaceholders) {
  const std::filesystem::path source = std::filesystem::path(QELVAR_SOURCE_DIR) / "lang";
  const test::TempDir dir;
  std::filesystem::create_directories(dir.path() / "language");
  platform::OverrideModulePath(dir.File("qelvar.wlx64"));

  for (const TLanguage language : {lgGerman, lgUkrainian, lgRussian}) {
    const std::string name = Utf16ToUtf8(LanguageFileName(language));
    SCOPED_TRACE(name);
    std::error_code ec;
    std::filesystem::copy_file(source / name, dir.path() / "language" / name, ec);
    ASSERT_FALSE(ec) << ec.message();

    TUiCatalog catalog;
    ASSERT_TRUE(LoadLanguageFile(LanguageFileName(language), catalog));
    for (int i = 0; i < kUiTextCount; ++i) {
      const auto id = static_cast<TUiText>(i);
      const std::u16string& text = catalog[static_cast<std::size_t>(i)];
      EXPECT_FALSE(text.empty()) << "missing: " << Utf16ToUtf8(TextKey(id));
      EXPECT_EQ(Placeholders(text), Placeholders(DefaultText(id))) << Utf16ToUtf8(TextKey(id)) << "=" << Utf16ToUtf8(text);
      EXPECT_EQ(text.find(u'\uFFFD'), std::u16string::npos) << "not UTF-8: " << Utf16ToUtf8(TextKey(id));
    }
  }
  platform::OverrideModulePath(u"");
}

}  // namespace
}  // namespace qelvar
