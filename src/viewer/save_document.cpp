// Saving from the viewer: the document's safe save, the question before an action that drops unsaved
// edits, the check for a file that another program changed since the load, and the recovery file that
// keeps edits when the viewer goes without a successful save.
//
// The viewer writes files only through the document's SaveTextToFile: the viewed file and, when that
// cannot be saved, a recovery file in the user's temporary folder.
#include <array>
#include <cstdio>

#include "document/csv_document.h"
#include "platform/platform.h"
#include "platform/wide.h"
#include "settings/settings.h"
#include "viewer/flag_held.h"
#include "viewer/viewer.h"
#include "win/message_box.h"

namespace qelvar {
namespace {

// The file's name without its folder.
std::u16string NameOf(const std::u16string& path) {
  const auto slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

// Why the save of `document` failed, in the user's words; empty when there is nothing to add to the
// failure itself (a disk error, a folder without write access).
std::u16string SaveFailureReason(const TCsvDocument& document, const std::u16string& fileName) {
  if (!document.Lossless()) return UiText(utSaveLossy);
  std::string bytes;
  if (!EncodeText(document.Text(), document.Encoding(), bytes))
    return FormatUiStrings(UiText(utSaveUnencodable), {document.Encoding().Name});
  if (platform::IsReadOnlyFile(fileName)) return UiText(utSaveReadOnly);
  return {};
}

// A new path in the user's temporary folder named after the file and the time:
// "data.csv" -> "...\Temp\data-unsaved-20250131-140509.csv". Empty when there is no such folder.
std::u16string RecoveryPath(const std::u16string& fileName) {
  std::array<wchar_t, MAX_PATH + 2> folder{};
  const DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  if (length == 0 || length >= folder.size()) return {};
  const std::u16string name = NameOf(fileName);
  const auto dot = name.find_last_of(u'.');
  const bool hasExtension = dot != std::u16string::npos && dot > 0;
  const std::u16string stem = hasExtension ? name.substr(0, dot) : name;
  const std::u16string extension = hasExtension ? name.substr(dot) : u"";

  SYSTEMTIME now{};
  GetLocalTime(&now);
  char stamp[32]{};
  std::snprintf(stamp, sizeof stamp, "-unsaved-%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond);
  const std::u16string base = FromWide(std::wstring_view(folder.data(), length)) + stem +
                              std::u16string(stamp, stamp + std::char_traits<char>::length(stamp));
  for (int copy = 1; copy < 100; ++copy) {
    std::u16string path = base;
    if (copy > 1) {
      const std::string number = "-" + std::to_string(copy);
      path.append(number.begin(), number.end());
    }
    path += extension;
    if (!platform::FileExists(path)) return path;
  }
  return {};
}

// Writes the document's text to a recovery file, encoded as the file is when that can hold the text, else
// as UTF-8 (or UTF-16 for text with lone surrogates) with a mark. What the viewer holds is kept, the
// replacement characters of a lossy decode included.
bool WriteRecoveryFile(const TCsvDocument& document, const std::u16string& fileName, int commentMode,
                       std::u16string& path) {
  path = RecoveryPath(fileName);
  if (path.empty()) return false;
  TCsvEncodingInfo info = document.Encoding();
  info.Lossless = true;
  const TCsvEncodingInfo fallbacks[] = {{std::u16string(kEncodingUtf8), true, true},
                                        {std::u16string(kEncodingUtf16Le), true, true}};
  for (const TCsvEncodingInfo& fallback : fallbacks) {
    std::string bytes;
    if (EncodeText(document.Text(), info, bytes)) break;
    info = fallback;
  }
  return SaveTextToFile(path, document.Text(), info, document.Delimiter(), commentMode,
                        document.TrimValues());
}

}  // namespace

TFileStamp ReadFileStamp(const std::u16string& fileName) noexcept {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Wide(fileName), GetFileExInfoStandard, &data)) return {};
  TFileStamp stamp;
  stamp.exists = true;
  stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  stamp.writeTime = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                    data.ftLastWriteTime.dwLowDateTime;
  return stamp;
}

bool TCsvViewer::SaveDocument() {
  EndCellEdit(true);
  if (destroyed || cellEditor) return false;
  if (!document || !Modified()) return true;

  // Another program may have written the file since the load: overwriting that is the user's decision.
  if (ReadFileStamp(fileName) != loadedStamp) {
    const int answer = AskUser(FormatUiStrings(UiText(utFileChangedOnDisk), {NameOf(fileName)}),
                               MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    if (destroyed || answer != IDYES) return false;
  }

  const bool trim = ReadInteger(u"trim-values") != 0;
  if (SaveTextToFile(fileName, document->Text(), document->Encoding(), document->Delimiter(), choices.commentMode,
                     trim)) {
    document->MarkSaved();
    loadedStamp = ReadFileStamp(fileName);
    UpdateStatusBar();
    return true;
  }
  std::u16string message = UiText(utFileSaveFailed);
  if (const std::u16string reason = SaveFailureReason(*document, fileName); !reason.empty())
    message += u"\r\n" + reason;
  AskUser(message, MB_OK | MB_ICONERROR);
  if (destroyed) return false;
  UpdateStatusBar();
  return false;
}

bool TCsvViewer::ConfirmSaveBefore(TUiText action, bool hostHonoursCancel) noexcept {
  // A second request while the question is up (the host closing again) is refused.
  if (savePromptActive) return false;
  try {
    const TFlagHeld prompt(savePromptActive);
    EndCellEdit(true);
    if (destroyed || cellEditor) return false;
    if (!Modified()) return true;
    const std::u16string question = FormatUiStrings(UiText(utSaveBefore), {NameOf(fileName), UiText(action)});
    const int answer = AskUser(question, (hostHonoursCancel ? MB_YESNOCANCEL : MB_YESNO) | MB_ICONWARNING);
    if (destroyed) return false;
    if (answer == IDNO) {
      // The user let these edits go: no recovery file for them.
      settledStamp = editStamp;
      return true;
    }
    if (answer != IDYES) return false;
    if (SaveDocument()) return true;
    // The host closes anyway: what could not be saved goes to a recovery file now, while there is a
    // window to say where.
    if (!destroyed && !hostHonoursCancel) RecoverUnsavedEdits(false);
    return false;
  } catch (...) {
    return false;
  }
}

void TCsvViewer::RecoverUnsavedEdits(bool windowGoing) noexcept {
  try {
    if (!document || !Modified() || settledStamp == editStamp) return;
    settledStamp = editStamp;
    std::u16string path;
    const bool written = WriteRecoveryFile(*document, fileName, choices.commentMode, path);
    std::u16string text =
        FormatUiStrings(UiText(written ? utRecoveryWritten : utRecoveryFailed), {NameOf(fileName)});
    if (written) text += u"\r\n" + path;
    // A window being destroyed can own no box.
    if (!window || destroyed) windowGoing = true;
    ShowMessageBox(windowGoing ? nullptr : window, text,
                   MB_OK | (written ? MB_ICONWARNING : MB_ICONERROR) | (windowGoing ? MB_TASKMODAL : 0));
  } catch (...) {
    MessageBeep(MB_ICONERROR);
  }
}

}  // namespace qelvar
