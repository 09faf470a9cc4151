// Every key of the settings section with its default: the one place defaults are written down.
#include <cstddef>

#include "platform/utf.h"
#include "settings/settings.h"

namespace qelvar {

namespace {

using enum TSettingType;

constexpr TSettingKey kKeys[] = {
    {u"detect-string", String, u"MULTIMEDIA & (ext=\"CSV\" | ext=\"TAB\" | ext=\"TSV\")", 0, false},
    {u"start-mode", Word, u"default", 0, false},
    {u"language", String, u"Auto", 0, false},
    {u"theme-mode", Word, u"", 0, true},
    {u"dark-theme", Flag, u"", 0, true},
    {u"font", String, u"Arial", 0, false},
    {u"font-size", Integer, u"", 16, true},
    {u"font-weight", Integer, u"", 0, false},
    {u"filter-row", Flag, u"", 1, true},
    {u"filter-align", Integer, u"", 0, false},
    {u"filter-case-sensitive", Flag, u"", 0, false},
    {u"header-row", Flag, u"", 1, true},
    {u"show-line-numbers", Flag, u"", 0, true},
    {u"decimal-align", Flag, u"", 1, false},
    {u"disable-grid-lines", Flag, u"", 0, false},
    {u"skip-comments", Integer, u"", 0, false},
    {u"trim-values", Flag, u"", 1, false},
    {u"max-file-size", Integer, u"", 0, false},
    {u"max-column-samples", Integer, u"", 1000, false},
    {u"max-column-width", Integer, u"", 300, false},
    {u"allColumnsToMaxWidth", Flag, u"", 0, false},
    {u"default-column-delimiter", String, u"", 0, false},
    {u"column-delimiter", String, u"\t", 0, false},
    {u"copy-column", Flag, u"", 0, false},
    {u"copy-header", Flag, u"", 0, false},
    {u"disable-num-keys", Flag, u"", 0, false},
    {u"disable-np-keys", Flag, u"", 0, false},
    {u"exit-by-q", Flag, u"", 0, false},
    {u"auto-reload", Flag, u"", 1, false},
    {u"follow", Flag, u"", 0, false},
    {u"text-color", Colour, u"", 0x000000, false},
    {u"back-color", Colour, u"", 0xFFFFFF, false},
    {u"back-color2", Colour, u"", 0xF0F0F0, false},
    {u"filter-text-color", Colour, u"", 0x000000, false},
    {u"filter-back-color", Colour, u"", 0xF0F0F0, false},
    {u"header-text-color", Colour, u"", 0x000000, false},
    {u"header-back-color", Colour, u"", 0xCCCCCC, false},
    {u"current-cell-back-color", Colour, u"", 0xA66046, false},
    {u"selection-text-color", Colour, u"", 0xFFFFFF, false},
    {u"selection-back-color", Colour, u"", 0x6A240A, false},
    {u"line-number-text-color", Colour, u"", 0x808080, false},
    {u"line-number-back-color", Colour, u"", 0xE6E6E6, false},
    {u"text-color-dark", Colour, u"", 0xDCDCDC, false},
    {u"back-color-dark", Colour, u"", 0x202020, false},
    {u"back-color2-dark", Colour, u"", 0x343434, false},
    {u"filter-text-color-dark", Colour, u"", 0xFFFFFF, false},
    {u"filter-back-color-dark", Colour, u"", 0x3C3C3C, false},
    {u"header-text-color-dark", Colour, u"", 0xFFFFFF, false},
    {u"header-back-color-dark", Colour, u"", 0x3C3C3C, false},
    {u"current-cell-back-color-dark", Colour, u"", 0x3E3E20, false},
    {u"selection-text-color-dark", Colour, u"", 0xDCDCDC, false},
    {u"selection-back-color-dark", Colour, u"", 0x666648, false},
    {u"line-number-text-color-dark", Colour, u"", 0x9E9E9E, false},
    {u"line-number-back-color-dark", Colour, u"", 0x303030, false},
};

}  // namespace

std::span<const TSettingKey> SettingKeys() { return kKeys; }

const TSettingKey* FindSettingKey(std::u16string_view key) {
  for (const auto& entry : kKeys)
    if (EqualsIgnoreAsciiCase(entry.Key, key)) return &entry;
  return nullptr;
}

std::u16string DefaultString(const TSettingKey& key) {
  if (key.Type == TSettingType::String || key.Type == TSettingType::Word) return std::u16string(key.DefaultString);
  const std::string digits = std::to_string(key.DefaultInteger);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace qelvar
