#include "viewer/chrome/menus.h"

#include <string>

#include "localization/localization.h"
#include "platform/wide.h"
#include "viewer/load/load_choices.h"

namespace qelvar {
namespace {

constexpr std::array<int, 3> kThemeItems{cmThemeTc, cmThemeLight, cmThemeDark};
constexpr std::array<int, 4> kCommentItems{cmCommentsAuto, cmCommentsParse, cmCommentsNoParse, cmCommentsHide};

// The command's text from the table, in the language now.
std::u16string CommandText(int id) {
  const TCommandInfo* command = FindCommand(id);
  return command ? UiText(command->text) : std::u16string();
}

void AppendText(HMENU menu, int id, const std::u16string& text) {
  AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(id), Wide(text));
}

}  // namespace

void TViewerMenus::Build() {
  context_.Reset(CreatePopupMenu());
  if (context_) {
    for (const int id : kContextItems) {
      if (id == 0) AppendMenuW(context_.Get(), MF_SEPARATOR, 0, nullptr);
      else AppendText(context_.Get(), id, CommandText(id));
    }
    TMenu submenu(CreatePopupMenu());
    if (submenu) {
      for (const int id : kThemeItems) AppendText(submenu.Get(), id, CommandText(id));
      // From here the context menu owns the submenu and destroys it with itself.
      if (AppendMenuW(context_.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(submenu.Get()), Wide(UiText(utTheme))))
        static_cast<void>(submenu.Release());
    }
  }

  encoding_.Reset(CreatePopupMenu());
  if (encoding_)
    for (const TEncodingChoice& encoding : kEncodingChoices) AppendText(encoding_.Get(), encoding.command, encoding.name);

  delimiter_.Reset(CreatePopupMenu());
  if (delimiter_) {
    AppendText(delimiter_.Get(), cmDelimiterAuto, CommandText(cmDelimiterAuto));
    for (const TDelimiterChoice& choice : kDelimiterChoices)
      AppendText(delimiter_.Get(), choice.command, DelimiterLabel(choice.delimiter));
  }

  comments_.Reset(CreatePopupMenu());
  if (comments_)
    for (const int id : kCommentItems) AppendText(comments_.Get(), id, CommandText(id));
}

HMENU TViewerMenus::Status(int part) const noexcept {
  switch (part) {
    case 0: return encoding_.Get();
    case 1: return delimiter_.Get();
    case 2: return comments_.Get();
    default: return nullptr;
  }
}

}  // namespace qelvar
