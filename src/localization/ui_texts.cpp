// The identifiers' keys and built-in English texts, the module-wide catalogues and UiText.
#include <cstddef>

#include "localization/catalog_state.h"
#include "localization/localization.h"

namespace qelvar {

namespace {

struct TextEntry {
  std::u16string_view Key;
  std::u16string_view English;
};

// In the order of TUiText; the static_assert below keeps the two in step.
constexpr TextEntry kTexts[] = {
    {u"Loading", u"Loading..."},
    {u"Delimiter", u"Delimiter"},
    {u"Auto", u"Auto"},
    {u"CommentsAuto", u"Comments: auto (%d)"},
    {u"CommentsNoParse", u"Comments: unparsed (0)"},
    {u"CommentsHidden", u"Comments: hidden (%d)"},
    {u"CommentsParse", u"Comments: parsed normally (0)"},
    {u"Rows", u"Rows: %d/%d"},
    {u"Edit", u"EDIT"},
    {u"Modified", u"MODIFIED"},
    {u"Transform", u"TRANSFORM"},
    {u"Selected", u"Selected: %d rows, %d columns"},
    {u"FileSaveFailed", u"The file could not be saved."},
    {u"SaveBefore", u"Save changes to \"%s\" before %s?"},
    {u"Reloading", u"reloading"},
    {u"Closing", u"closing"},
    {u"DeleteColumnQuestion", u"Delete column \"%s\"?"},
    {u"AllFiles", u"All files"},
    {u"Up", u"Up"},
    {u"Down", u"Down"},
    {u"AddColumn", u"+ Add column"},
    {u"RemoveColumn", u"- Remove column"},
    {u"RenameColumn", u"~ Rename column"},
    {u"SetAllCells", u"Set all cells"},
    {u"FillEmptyCells", u"Fill empty cells"},
    {u"EnumerateCells", u"Fill cells with sequence"},
    {u"LoadTransformation", u"Load transformation (JSON)"},
    {u"SaveTransformation", u"Save transformation (JSON)"},
    {u"NumberFormat", u"Number format"},
    {u"ExportCsv", u"Export CSV"},
    {u"ApplyToGrid", u"Apply to grid"},
    {u"ResetGridView", u"Reset grid view"},
    {u"TransformInputHint", u"Value / name / sequence start:end"},
    {u"LoadTransformationFailed", u"Could not load transformation JSON."},
    {u"SaveTransformationFailed", u"Could not save transformation JSON."},
    {u"ExportTransformationFailed", u"Could not export transformed CSV."},
    {u"CopyCell", u"Copy cell"},
    {u"CopyRows", u"Copy row(s) (Shift+C)"},
    {u"CopyColumn", u"Copy column (Ctrl+C)"},
    {u"InsertRowBelow", u"Insert row below"},
    {u"DeleteRows", u"Delete row(s) (Ctrl+X)"},
    {u"DeleteColumn", u"Delete column"},
    {u"HideColumn", u"Hide column (Ctrl+Click)"},
    {u"AdjustAllColumnsWidth", u"Auto-size all columns (Ctrl+H)"},
    {u"ShowAllColumns", u"Show all columns (Ctrl+Space)"},
    {u"Filters", u"Filters"},
    {u"HeaderRow", u"Header row"},
    {u"EditMode", u"Edit mode (Ctrl+E)"},
    {u"TransformMode", u"Transform mode (Ctrl+T)"},
    {u"Save", u"Save (Ctrl+S)"},
    {u"ShowLineNumbers", u"Show line numbers"},
    {u"Theme", u"Theme"},
    {u"ThemeTc", u"Total Commander"},
    {u"ThemeLight", u"Light"},
    {u"ThemeDark", u"Dark"},
    {u"ParseNormally", u"Parse normally"},
    {u"DoNotParse", u"Do not parse"},
    {u"Hide", u"Hide"},
    {u"FileReloadFailed", u"The file could not be reloaded."},
    {u"FileLoadFailed", u"The file could not be loaded."},
    {u"FileTooLarge", u"The file could not be loaded because it exceeds the configured size limit."},
    {u"FileSize", u"File size"},
    {u"Limit", u"Limit"},
    {u"Column", u"Column %d"},
    {u"Original", u"original"},
    {u"FileChangedOnDisk", u"\"%s\" was changed by another program after it was loaded. Replace it with your edited version?"},
    {u"SaveLossy", u"Its text could not be read exactly, so saving it would also change what you did not edit."},
    {u"SaveUnencodable", u"A character in the text cannot be written in the file's encoding (%s)."},
    {u"SaveReadOnly", u"The file is read-only."},
    {u"RecoveryWritten", u"Your unsaved changes to \"%s\" were written to:"},
    {u"RecoveryFailed", u"Your unsaved changes to \"%s\" could not be written to a recovery file."},
    {u"CellEditFailed", u"The cell could not be changed: there is not enough memory, or the file would become too large."},
    {u"CellNotEditable", u"The cell can no longer be changed: its row is gone or is a comment line."},
    {u"CommentRowsKeepField", u"%d rows marked as comments keep their field in this column."},
    {u"OverwriteViewedFile", u"\"%s\" is the file being viewed. Overwrite it?"},
    {u"FilterHelp", u"text: contains \u00B7 !text: does not contain \u00B7 =text: equals (=a|b: any of them; wildcards * and ?) \u00B7 !=text: none of them \u00B7 = empty \u00B7 != not empty \u00B7 >5 <5 >=5 <=5: compare \u00B7 10..20: between \u00B7 ~regex: matches \u00B7 !~regex: does not match"},
    {u"FilterInvalid", u"The regular expression is not valid."},
    {u"StatCount", u"Count"},
    {u"StatNumbers", u"Numbers"},
    {u"StatSum", u"Sum"},
    {u"StatAverage", u"Average"},
    {u"StatMin", u"Min"},
    {u"StatMax", u"Max"},
    {u"FilterByValue", u"Filter by this value"},
    {u"ExcludeValue", u"Exclude this value"},
    {u"ColumnProfile", u"Column profile"},
    {u"ProfileType", u"Type"},
    {u"TypeNumbers", u"numbers"},
    {u"TypeDates", u"dates"},
    {u"TypeText", u"text"},
    {u"ProfileRows", u"Rows"},
    {u"ProfileEmpty", u"Empty cells"},
    {u"ProfileDistinct", u"Distinct values"},
    {u"ProfileMean", u"Mean"},
    {u"ProfileTop", u"Most frequent values"},
    {u"ProfileComputing", u"Computing... %d%%"},
    {u"SaveReadsDifferently", u"Written this way, the file would open as another table next time (another encoding, delimiter, row kind or value). It was not changed."},
    {u"SaveKeptIn", u"The original file was already removed; your data is safe in:"},
    {u"UndoDropped", u"The oldest undo steps were dropped to save memory"},
    {u"SettingUnreadable", u"The setting %s is not a number: no size limit applies"},
    {u"RecipeMissingColumns", u"The transformation reads columns that this table does not have: %s"},
    {u"CopyRowsWithHeader", u"Copy row(s) with header"},
    {u"InsertRowAbove", u"Insert row above (Ins)"},
    {u"AppendRow", u"Append row (Shift+Ins)"},
    {u"LoadingProgress", u"Loading %s%% \u00B7 %s rows"},
    {u"LoadTruncated", u"Only the rows shown fit into memory: the file is read-only"},
    {u"LoadTruncated32", u"Only the rows shown fit into memory: read-only; the whole file needs the 64-bit plug-in"},
    {u"LoadMismatch", u"Rows further in do not fit what the file's start showed: Reload reads the whole file again"},
    {u"Reload", u"Reload (F5)"},
    {u"ReloadColumnsGone", u"Columns no longer in the file: %s"},
    {u"FollowRows", u"Follow new rows (Shift+F)"},
    {u"FollowOn", u"Follow"},
    {u"FileChangedUnderEdits", u"The file changed on disk: it is not reloaded while edits are unsaved"},
    {u"FileGone", u"The file is no longer on disk: the rows shown stay"},
    {u"Filtering", u"Filtering\u2026"},
};
static_assert(std::size(kTexts) == kUiTextCount);

bool InRange(TUiText id) { return id >= 0 && id < kUiTextCount; }

bool EqualsIgnoreLatinCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace

namespace localization_state {

TUiCatalog& BaseCatalog() {
  static TUiCatalog catalog;
  return catalog;
}

TUiCatalog& ActiveCatalog() {
  static TUiCatalog catalog;
  return catalog;
}

TLanguage& Language() {
  static TLanguage language = lgEnglish;
  return language;
}

}  // namespace localization_state

std::u16string_view DefaultText(TUiText id) { return InRange(id) ? kTexts[id].English : std::u16string_view(); }

std::u16string_view TextKey(TUiText id) { return InRange(id) ? kTexts[id].Key : std::u16string_view(); }

std::optional<TUiText> TextIdFromKey(std::u16string_view key) {
  for (int i = 0; i < kUiTextCount; ++i)
    if (EqualsIgnoreLatinCase(kTexts[i].Key, key)) return static_cast<TUiText>(i);
  return std::nullopt;
}

std::u16string UiText(TUiText id) {
  if (!InRange(id)) return {};
  const auto& active = localization_state::ActiveCatalog()[static_cast<std::size_t>(id)];
  if (!active.empty()) return active;
  const auto& base = localization_state::BaseCatalog()[static_cast<std::size_t>(id)];
  if (!base.empty()) return base;
  return std::u16string(kTexts[id].English);
}

TLanguage CurrentLanguage() { return localization_state::Language(); }

}  // namespace qelvar
