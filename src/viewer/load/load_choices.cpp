#include "viewer/load/load_choices.h"

namespace qelvar {

std::u16string DelimiterLabel(char16_t delimiter) {
  return delimiter == u'\t' ? std::u16string(u"TAB") : std::u16string(1, delimiter);
}

bool ApplyLoadChoice(int id, TLoadChoices& choices) {
  for (const TEncodingChoice& encoding : kEncodingChoices) {
    if (encoding.command != id) continue;
    choices.encodingName = encoding.name;
    return true;
  }
  for (const TDelimiterChoice& choice : kDelimiterChoices) {
    if (choice.command != id) continue;
    choices.autoDelimiter = false;
    choices.delimiter = choice.delimiter;
    return true;
  }
  switch (id) {
    case cmDelimiterAuto:
      choices.autoDelimiter = true;
      choices.delimiter = 0;
      return true;
    case cmCommentsParse:
    case cmCommentsNoParse:
    case cmCommentsHide:
      choices.autoComments = false;
      choices.commentMode = id - cmCommentsParse;
      return true;
    case cmCommentsAuto:
      choices.autoComments = true;
      choices.commentMode = 3;
      return true;
    default: return false;
  }
}

char16_t RequestedDelimiter(const TLoadChoices& choices) noexcept {
  return choices.autoDelimiter ? char16_t{0} : choices.delimiter;
}

}  // namespace qelvar
