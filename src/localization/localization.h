// User-visible texts: identifiers, the built-in English catalogue, language files and the choice of language.
//
// Every text the plug-in shows is obtained through UiText(id). InitLocalization (called whenever a viewer is
// created) chooses the language and rebuilds the catalogues: the built-in English texts, replaced by an
// "en.lng" file when present, then the chosen language's file over a copy of them. Catalogues are module-wide
// and used from the host's UI thread only. Nothing here throws or reports an error: whatever cannot be read
// leaves the English text.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace qelvar {

// The ordinal values are fixed (0 to kUiTextCount - 1); a language file names an entry by its identifier without "ut".
enum TUiText : int {
  utLoading,
  utDelimiter,
  utAuto,
  utCommentsAuto,
  utCommentsNoParse,
  utCommentsHidden,
  utCommentsParse,
  utRows,
  utEdit,
  utModified,
  utTransform,
  utSelected,
  utFileSaveFailed,
  utSaveBefore,
  utReloading,
  utClosing,
  utDeleteColumnQuestion,
  utAllFiles,
  utUp,
  utDown,
  utAddColumn,
  utRemoveColumn,
  utRenameColumn,
  utSetAllCells,
  utFillEmptyCells,
  utEnumerateCells,
  utLoadTransformation,
  utSaveTransformation,
  utNumberFormat,
  utExportCsv,
  utApplyToGrid,
  utResetGridView,
  utTransformInputHint,
  utLoadTransformationFailed,
  utSaveTransformationFailed,
  utExportTransformationFailed,
  utCopyCell,
  utCopyRows,
  utCopyColumn,
  utInsertRowBelow,
  utDeleteRows,
  utDeleteColumn,
  utHideColumn,
  utAdjustAllColumnsWidth,
  utShowAllColumns,
  utFilters,
  utHeaderRow,
  utEditMode,
  utTransformMode,
  utSave,
  utShowLineNumbers,
  utTheme,
  utThemeTc,
  utThemeLight,
  utThemeDark,
  utParseNormally,
  utDoNotParse,
  utHide,
  utFileReloadFailed,
  utFileLoadFailed,
  utFileTooLarge,
  utFileSize,
  utLimit,
  utColumn,
  utOriginal,
  utFileChangedOnDisk,
  utSaveLossy,
  utSaveUnencodable,
  utSaveReadOnly,
  utRecoveryWritten,
  utRecoveryFailed,
  utCellEditFailed,
  utCellNotEditable,
  utCommentRowsKeepField,
  utOverwriteViewedFile,
  utFilterHelp,
  utFilterInvalid,
  utStatCount,
  utStatNumbers,
  utStatSum,
  utStatAverage,
  utStatMin,
  utStatMax,
  utFilterByValue,
  utExcludeValue,
  utColumnProfile,
  utProfileType,
  utTypeNumbers,
  utTypeDates,
  utTypeText,
  utProfileRows,
  utProfileEmpty,
  utProfileDistinct,
  utProfileMean,
  utProfileTop,
  utProfileComputing,
  utSaveReadsDifferently,
  utSaveKeptIn,
  utUndoDropped,
  utSettingUnreadable,
  utRecipeMissingColumns,
  utCopyRowsWithHeader,
  utInsertRowAbove,
  utAppendRow,
  utLoadingProgress,
  utLoadTruncated,
  utLoadTruncated32,
  utLoadMismatch,
  utReload,
  utReloadColumnsGone,
  utFollowRows,
  utFollowOn,
  utFileChangedUnderEdits,
  utFileGone,
  utFiltering,
};

inline constexpr int kUiTextCount = 115;
static_assert(utFiltering + 1 == kUiTextCount);

// One text per identifier; an empty entry means "not set".
using TUiCatalog = std::array<std::u16string, kUiTextCount>;

// Languages with a language file: 0 English, 1 German, 2 Ukrainian, 3 Russian.
enum TLanguage : int { lgEnglish = 0, lgGerman = 1, lgUkrainian = 2, lgRussian = 3 };

// ---- lookup ---------------------------------------------------------------------------------------

// The active text, else the base (English or "en.lng") text, else the built-in English text. An id out of
// range gives an empty string.
std::u16string UiText(TUiText id);

// A UI text with each "%d" replaced by the next of `numbers` (missing numbers give nothing) and "%%" by "%".
std::u16string FormatUiText(std::u16string_view text, std::initializer_list<long long> numbers);
// A UI text with each "%s" replaced by the next of `strings` (missing ones give nothing) and "%%" by "%".
std::u16string FormatUiStrings(std::u16string_view text, std::initializer_list<std::u16string_view> strings);
// The built-in English text and the language-file key of an identifier (empty when out of range).
std::u16string_view DefaultText(TUiText id);
std::u16string_view TextKey(TUiText id);
// The identifier whose key equals `key`, letters A to Z compared without case; nullopt when none does.
std::optional<TUiText> TextIdFromKey(std::u16string_view key);

// ---- texts of a failed load ------------------------------------------------------------------------

// The three lines shown when a file exceeds the size limit: the utFileTooLarge text, then the file size
// and the limit, each as FormatFileSize writes it, joined by CR LF.
std::u16string FileTooLargeMessage(std::int64_t fileSize, std::int64_t limit);
// "%d bytes", "%d bytes (%.1f KB)" or "%d bytes (%.1f MB)" (not translated).
std::u16string FormatFileSize(std::int64_t bytes);

// ---- language choice and files --------------------------------------------------------------------

// Chooses the language and rebuilds both catalogues. Called before a new viewer uses any text.
void InitLocalization();
// The language chosen by the last InitLocalization (English before the first).
TLanguage CurrentLanguage();
// The language named by the `language` setting's words; nullopt for "auto", empty and unknown words.
std::optional<TLanguage> LanguageFromSetting(std::u16string_view setting);
// The automatic choice: the host's configured language, else the user's UI language.
TLanguage DetectLanguage();
// The language of a host language-file name such as "C:\tc\Language\WCMD_DEU.LNG".
TLanguage LanguageFromHostLanguageIni(std::u16string_view languageIni);
// The language of a Windows LANGID (primary language in the low 10 bits).
TLanguage LanguageFromLangId(std::uint16_t langId);
// "en.lng", "de.lng", "uk.lng" or "ru.lng".
std::u16string_view LanguageFileName(TLanguage language);

// Where a language file is looked for: "language" beside the plug-in module, else "..\language" (returned
// whether or not the file exists there; the parent of a root folder is the root). Empty when the module's
// folder is unknown.
std::u16string LanguageFilePath(std::u16string_view fileName);
// Reads the language file `fileName` (located by LanguageFilePath) into `catalog`. False, with the catalogue
// unchanged, when the file is missing or cannot be read.
bool LoadLanguageFile(std::u16string_view fileName, TUiCatalog& catalog);
// The same on a file's bytes: sets the entries the `strings` section names. Linear in the size.
void ParseLanguageFile(std::string_view bytes, TUiCatalog& catalog);

}  // namespace qelvar
