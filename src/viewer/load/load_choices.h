// The five choices a file is read with (encoding, delimiter, automatic delimiter, comment handling,
// automatic comments): one struct for the first load, a reload and the status bar's popups, and the one
// table of the delimiters the popup offers. Pure: no window needed.
#pragma once

#include <array>
#include <string>

#include "viewer/commands.h"

namespace qelvar {

struct TLoadChoices {
  std::u16string encodingName;  // empty: detect
  char16_t delimiter = 0;       // meaningful when !autoDelimiter
  bool autoDelimiter = true;
  int commentMode = 0;          // 0 parse, 1 do not parse, 2 hide, 3 automatic
  bool autoComments = false;
  bool operator==(const TLoadChoices&) const = default;
};

// The delimiters of the status bar's popup, in its order, with their commands.
struct TDelimiterChoice {
  int command;
  char16_t delimiter;
};
inline constexpr std::array<TDelimiterChoice, 5> kDelimiterChoices{{
    {cmDelimiterComma, u','},
    {cmDelimiterSemicolon, u';'},
    {cmDelimiterBar, u'|'},
    {cmDelimiterTab, u'\t'},
    {cmDelimiterColon, u':'},
}};

// How a delimiter reads in the status bar and its popup: TAB for the tab, else the character.
std::u16string DelimiterLabel(char16_t delimiter);

// The encodings of the popup, in its order, with their commands; the names are the document's.
struct TEncodingChoice {
  int command;
  const char16_t* name;
};
inline constexpr std::array<TEncodingChoice, 4> kEncodingChoices{{
    {cmEncodingAnsi, u"ANSI"},
    {cmEncodingUtf8, u"UTF-8"},
    {cmEncodingUtf16Le, u"UTF-16LE"},
    {cmEncodingUtf16Be, u"UTF-16BE"},
}};

// `choices` changed by the popup command `id` (ids 5010..5033). False, and nothing changed, for another id.
bool ApplyLoadChoice(int id, TLoadChoices& choices);

// What the loader is given: the delimiter only when it is not detected.
char16_t RequestedDelimiter(const TLoadChoices& choices) noexcept;

}  // namespace qelvar
