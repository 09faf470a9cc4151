// Settings whose values are words: the start mode of a new viewer and the colour theme.
#include <initializer_list>

#include "platform/utf.h"
#include "settings/settings.h"

namespace qelvar {

int StartModeFromText(std::u16string_view text) {
  const auto word = TrimBlanks(text);
  if (EqualsAnyIgnoreAsciiCase(word, {u"editor", u"editor mode", u"edit", u"edit mode", u"1"})) return 1;
  if (EqualsAnyIgnoreAsciiCase(word, {u"transformer", u"transformer mode", u"transform", u"transform mode", u"2"})) return 2;
  return 0;
}

int ReadStartMode() { return StartModeFromText(ReadString(u"start-mode")); }

TThemeMode ThemeModeFromText(std::u16string_view themeMode, int darkTheme) {
  const auto word = TrimBlanks(themeMode);
  if (word.empty()) return darkTheme != 0 ? TThemeMode::Dark : TThemeMode::Light;
  if (EqualsAnyIgnoreAsciiCase(word, {u"auto", u"system", u"total commander", u"tc"})) return TThemeMode::Tc;
  if (EqualsAnyIgnoreAsciiCase(word, {u"0", u"light"})) return TThemeMode::Light;
  if (EqualsAnyIgnoreAsciiCase(word, {u"1", u"dark"})) return TThemeMode::Dark;
  return TThemeMode::Tc;
}

TThemeMode ResolveThemeMode() {
  return ThemeModeFromText(ReadString(u"theme-mode"), ReadInteger(u"dark-theme"));
}

std::u16string_view ThemeModeName(TThemeMode mode) {
  switch (mode) {
    case TThemeMode::Light:
      return u"light";
    case TThemeMode::Dark:
      return u"dark";
    case TThemeMode::Tc:
      break;
  }
  return u"tc";
}

void WriteThemeMode(TThemeMode mode) {
  WriteString(u"theme-mode", ThemeModeName(mode));
  if (mode != TThemeMode::Tc) WriteInteger(u"dark-theme", mode == TThemeMode::Dark ? 1 : 0);
}

}  // namespace qelvar
