// The transform panel's files: choosing one with the common dialog, loading and saving the transformation
// as JSON, and exporting the transformed table as CSV, each failure with its error box.
#include <windows.h>
// After <windows.h>, which it needs.
#include <commdlg.h>

#include <array>

#include "platform/wide.h"
#include "settings/settings.h"
#include "transform/transform.h"
#include "viewer/viewer.h"
#include "win/focus.h"
#include "win/message_box.h"

namespace qelvar {
namespace {

// The path buffer of the file dialogs, in characters.
constexpr DWORD kPathBufferLength = 1041;

// A message box on the viewer window; false when the viewer went while it was up.
bool ShowTransformError(TCsvViewer& viewer, TUiText text) noexcept {
  try {
    ShowMessageBox(viewer.window, UiText(text), MB_OK | MB_ICONERROR);
  } catch (...) {
    MessageBeep(MB_ICONERROR);
  }
  return !viewer.life.destroyed;
}

std::u16string FullPath(const std::u16string& path) {
  std::wstring full(MAX_PATH, L'\0');
  DWORD length = GetFullPathNameW(Wide(path), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.assign(length + 1, L'\0');
    length = GetFullPathNameW(Wide(path), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  if (length == 0 || length >= full.size()) return path;
  full.resize(length);
  return FromWide(full);
}

// Whether two paths name one file: by the file's identity when both exist (another spelling, a short
// name or a link still counts), else by the full path without regard to case.
bool SameFile(const std::u16string& a, const std::u16string& b) {
  const auto open = [](const std::u16string& path) {
    return THandle(CreateFileW(Wide(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  };
  const THandle first = open(a);
  const THandle second = open(b);
  BY_HANDLE_FILE_INFORMATION one{}, two{};
  if (first && second && GetFileInformationByHandle(first.Get(), &one) &&
      GetFileInformationByHandle(second.Get(), &two)) {
    return one.dwVolumeSerialNumber == two.dwVolumeSerialNumber && one.nFileIndexHigh == two.nFileIndexHigh &&
           one.nFileIndexLow == two.nFileIndexLow;
  }
  const std::u16string fullA = FullPath(a);
  const std::u16string fullB = FullPath(b);
  return CompareStringOrdinal(Wide(fullA), static_cast<int>(fullA.size()), Wide(fullB),
                              static_cast<int>(fullB.size()), TRUE) == CSTR_EQUAL;
}

// Writing over the file the viewer shows is asked first: the table on screen would outlive its file.
// False when the user declined or the viewer went while the question was up.
bool MayOverwrite(TCsvViewer& viewer, const std::u16string& path) {
  if (!SameFile(path, viewer.fileName)) return true;
  std::u16string question = UiText(utOverwriteViewedFile);
  const std::size_t at = question.find(u"%s");
  if (at != std::u16string::npos) question.replace(at, 2, viewer.fileName);
  const int answer =
      ShowMessageBox(viewer.window, question, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
  return !viewer.life.destroyed && answer == IDYES;
}

}  // namespace

std::u16string TCsvViewer::ChooseFile(bool save, TUiText description, std::u16string_view extension) {
  // Two filters, each a name and a pattern, the list ended by an empty name.
  const std::u16string extensionText(extension);
  std::u16string filter = UiText(description);
  filter.append(1, u'\0').append(u"*.").append(extensionText).append(1, u'\0');
  filter.append(UiText(utAllFiles)).append(1, u'\0').append(u"*.*").append(1, u'\0').append(1, u'\0');

  std::array<wchar_t, kPathBufferLength> path{};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window;
  dialog.lpstrFilter = Wide(filter);
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = kPathBufferLength;
  dialog.lpstrDefExt = Wide(extensionText);
  dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | (save ? OFN_OVERWRITEPROMPT : 0);
  BOOL chosen = FALSE;
  {
    const TFocusKeeper focus(window);
    chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  }
  if (!chosen || life.destroyed) return {};
  path.back() = L'\0';
  return FromWide(path.data());
}

void TCsvViewer::LoadTransformationFile() {
  const std::u16string path = ChooseFile(false, utLoadTransformation, u"json");
  if (path.empty() || !transformConfig) return;
  // A recipe names its source columns: it is pointed at this table's columns by name, and refused when
  // the table lacks one that it reads (the same rule as qelvar-cli's transform).
  TTransformConfig recipe = *transformConfig;
  const bool read = recipe.LoadFromFile(path);
  const std::vector<std::u16string> missing = read ? recipe.MapSourcesByName(transformConfig->InitialHeaders)
                                                   : std::vector<std::u16string>{};
  if (!missing.empty()) {
    std::u16string names;
    for (const std::u16string& name : missing) names += (names.empty() ? u"" : u", ") + name;
    ShowMessageBox(window, FormatUiStrings(UiText(utRecipeMissingColumns), {names}), MB_OK | MB_ICONERROR);
    return;
  }
  // A refused file leaves `recipe` as it was, except the one it takes over and still reports as failed.
  *transformConfig = std::move(recipe);
  if (!read) ShowTransformError(*this, utLoadTransformationFailed);
}

void TCsvViewer::SaveTransformationFile() {
  const std::u16string path = ChooseFile(true, utSaveTransformation, u"json");
  if (path.empty() || !transformConfig || !MayOverwrite(*this, path)) return;
  if (!transformConfig || !transformConfig->SaveToFile(path))
    ShowTransformError(*this, utSaveTransformationFailed);
}

void TCsvViewer::ExportTransformedCsv() {
  const std::u16string path = ChooseFile(true, utExportCsv, u"csv");
  if (path.empty() || !transformConfig || !MayOverwrite(*this, path)) return;
  const bool headerRow = HeaderRowShown();
  if (!transformConfig || !transformConfig->ExportCsv(path, document.get(), headerRow))
    ShowTransformError(*this, utExportTransformationFailed);
}

}  // namespace qelvar
