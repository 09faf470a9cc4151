// Choosing the language: the `language` setting, else the host's configured language, else the user's UI
// language; and building the catalogues for it.
#include <initializer_list>
#include <new>

#include "localization/catalog_state.h"
#include "localization/localization.h"
#include "platform/platform.h"
#include "platform/utf.h"
#include "settings/settings.h"

namespace qelvar {

namespace {

// The host's profile reader gives at most this many characters for LanguageIni.
constexpr std::size_t kMaxLanguageIniLength = 520;

std::u16string HostFolderFile(std::u16string_view fileName) {
  const std::u16string exe = platform::ExecutablePath();
  std::size_t cut = exe.size();
  while (cut > 0 && exe[cut - 1] != u'\\' && exe[cut - 1] != u'/') --cut;
  if (cut == 0) return {};
  return exe.substr(0, cut) + std::u16string(fileName);
}

}  // namespace

std::optional<TLanguage> LanguageFromSetting(std::u16string_view setting) {
  const auto word = TrimBlanks(setting);
  if (EqualsAnyIgnoreAsciiCase(word, {u"german", u"deutsch", u"de"})) return lgGerman;
  if (EqualsAnyIgnoreAsciiCase(word, {u"ukrainian", u"ukrainisch", u"uk", u"ukr"})) return lgUkrainian;
  if (EqualsAnyIgnoreAsciiCase(word, {u"russian", u"russisch", u"ru", u"rus"})) return lgRussian;
  if (EqualsAnyIgnoreAsciiCase(word, {u"english", u"englisch", u"en"})) return lgEnglish;
  return std::nullopt;
}

TLanguage LanguageFromHostLanguageIni(std::u16string_view languageIni) {
  const std::size_t slash = languageIni.find_last_of(u"\\/:");
  std::u16string name(slash == std::u16string_view::npos ? languageIni : languageIni.substr(slash + 1));
  for (auto& c : name)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  if (name.find(u"DEU") != std::u16string::npos) return lgGerman;
  if (name.find(u"UKR") != std::u16string::npos) return lgUkrainian;
  if (name.find(u"RUS") != std::u16string::npos) return lgRussian;
  return lgEnglish;
}

TLanguage LanguageFromLangId(std::uint16_t langId) {
  switch (langId & 0x3FF) {
    case 0x07:
      return lgGerman;
    case 0x22:
      return lgUkrainian;
    case 0x19:
      return lgRussian;
    default:
      return lgEnglish;
  }
}

std::u16string_view LanguageFileName(TLanguage language) {
  switch (language) {
    case lgGerman:
      return u"de.lng";
    case lgUkrainian:
      return u"uk.lng";
    case lgRussian:
      return u"ru.lng";
    case lgEnglish:
      break;
  }
  return u"en.lng";
}

TLanguage DetectLanguage() {
  const std::u16string candidates[] = {
      GetDefaultIniPath(),
      platform::GetEnvironment(u"COMMANDER_INI").value_or(std::u16string()),
      HostFolderFile(u"wincmd.ini"),
  };
  bool anyExists = false;
  for (const auto& candidate : candidates) {
    if (candidate.empty() || !platform::FileExists(candidate)) continue;
    anyExists = true;
    std::u16string value = platform::ReadProfileString(candidate, u"Configuration", u"LanguageIni", u"");
    if (value.size() > kMaxLanguageIniLength) value.resize(kMaxLanguageIniLength);
    if (!value.empty()) return LanguageFromHostLanguageIni(value);
  }
  // A host configuration without a language setting means the host runs in English.
  if (anyExists) return lgEnglish;
  return LanguageFromLangId(platform::UserUiLanguage());
}

void InitLocalization() {
  try {
    const auto chosen = LanguageFromSetting(ReadString(u"language"));
    const TLanguage language = chosen ? *chosen : DetectLanguage();
    localization_state::Language() = language;

    TUiCatalog base;
    for (int i = 0; i < kUiTextCount; ++i)
      base[static_cast<std::size_t>(i)] = std::u16string(DefaultText(static_cast<TUiText>(i)));
    LoadLanguageFile(LanguageFileName(lgEnglish), base);
    TUiCatalog active = base;
    if (language != lgEnglish) LoadLanguageFile(LanguageFileName(language), active);

    localization_state::BaseCatalog() = std::move(base);
    localization_state::ActiveCatalog() = std::move(active);
  } catch (const std::bad_alloc&) {
    // Whatever was built before stays; UiText falls back to the built-in English texts.
  }
}

}  // namespace qelvar
