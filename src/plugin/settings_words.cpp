// Settings whose values are words: the start mode of a new viewer and the colour theme.
#include <initializer_list>

#include "platform/utf.h"
#include "plugin/settings.h"

namespace qelvar {

namespace {

std::u16string_view TrimBlanks(std::u16string_view s) {
  while (!s.empty() && s.front() <= u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() <= u' ') s.remove_suffix(1);
  return s;
}

bool IsOneOf(std::u16string_view word, std::initializer_list<std::u16string_view> words) {
  for (const auto w : words)
    if (EqualsIgnoreAsciiCase(word, w)) return true;
  return false;
}

}  // namespace

int StartModeFromText(std::u16string_view text) {
  const auto word = TrimBlanks(text);
  if (IsOneOf(word, {u"editor", u"editor mode", u"edit", u"edit mode", u"1"})) return 1;
  if (IsOneOf(word, {u"transformer", u"transformer mode", u"transform", u"transform mode", u"2"})) return 2;
  return 0;
}

int ReadStartMode() { return StartModeFromText(ReadString(u"start-mode")); }

TThemeMode ThemeModeFromText(std::u16string_view themeMode, int darkTheme) {
  const auto word = TrimBlanks(themeMode);
  if (word.empty()) return darkTheme != 0 ? TThemeMode::Dark : TThemeMode::Light;
  if (IsOneOf(word, {u"auto", u"system", u"total commander", u"tc"})) return TThemeMode::Tc;
  if (IsOneOf(word, {u"0", u"light"})) return TThemeMode::Light;
  if (IsOneOf(word, {u"1", u"dark"})) return TThemeMode::Dark;
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
