// The sample settings file shipped with the plug-in names every key the code knows, with the code's default,
// and as shipped (everything commented out) it changes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "platform/platform.h"
#include "platform/utf.h"
#include "settings/settings.h"
#include "test_support.h"

namespace qelvar {
namespace {

std::string SampleIni() {
  return test::ReadBytes((std::filesystem::path(QELVAR_SOURCE_DIR) / "packaging" / "qelvar.ini").u16string());
}

bool IsNumeric(const TSettingKey& key) {
  return key.Type != TSettingType::String && key.Type != TSettingType::Word;
}

TEST(SampleIni, ListsEveryKeyWithItsDefault) {
  const std::string sample = SampleIni();
  ASSERT_FALSE(sample.empty());
  // Key lines are ";key=value" (no blank after the ";"); explanations are "; text".
  std::string uncommented = "[qelvar]\n";
  std::set<std::u16string> named;
  std::istringstream lines(sample);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() < 2 || line[0] != ';' || line[1] == ' ') continue;
    const std::size_t eq = line.find('=');
    ASSERT_NE(eq, std::string::npos) << line;
    const std::u16string key = Utf8ToUtf16(line.substr(1, eq - 1));
    EXPECT_NE(FindSettingKey(key), nullptr) << "unknown key in the sample: " << line;
    EXPECT_TRUE(named.insert(key).second) << "named twice: " << line;
    uncommented += line.substr(1) + "\n";
  }
  for (const auto& key : SettingKeys()) {
    SCOPED_TRACE(Utf16ToUtf8(key.Key));
    std::u16string value;
    ASSERT_TRUE(FindIniValue(uncommented, key.Key, value)) << "missing from the sample";
    if (IsNumeric(key)) {
      int number = 0;
      ASSERT_TRUE(ParseIniInteger(value, number)) << Utf16ToUtf8(value);
      EXPECT_EQ(number, key.DefaultInteger);
    } else {
      EXPECT_EQ(value, key.DefaultString);
    }
  }
  EXPECT_EQ(named.size(), SettingKeys().size());
}

TEST(SampleIni, AsShippedItGivesTheDefaults) {
  const test::TempDir dir;
  platform::OverrideModulePath(dir.File("qelvar.wlx64"));
  test::WriteBytes(dir.File("qelvar.ini"), SampleIni());
  for (const auto& key : SettingKeys()) {
    EXPECT_EQ(ReadString(key.Key, u"<absent>"), u"<absent>") << Utf16ToUtf8(key.Key);
    EXPECT_EQ(ReadString(key.Key), DefaultString(key)) << Utf16ToUtf8(key.Key);
  }
  platform::OverrideModulePath(u"");
}

}  // namespace
}  // namespace qelvar
