// Saving from the viewer: the document's safe save, the question before an action that drops unsaved
// edits, the check for a file that another program changed since the load, and the recovery file that
// keeps edits when the viewer goes without a successful save.
//
// The viewer writes files only through the document's safe save: the viewed file through SaveDocument,
// whose check reads it back as the next open will, and, when that cannot be saved, a recovery file in the
// user's temporary folder through SaveTextToFile.
#include "document/csv_document.h"
#include "settings/settings.h"
#include "viewer/edit/recovery.h"
#include "viewer/flag_held.h"
#include "viewer/load/file_stamp.h"
#include "viewer/viewer.h"
#include "win/message_box.h"

namespace qelvar {
bool TCsvViewer::SaveDocument() {
  EndCellEdit(true);
  if (life.destroyed || cellEditor.Box()) return false;
  if (!document || !Modified()) return true;

  // Another program may have written the file since the load: overwriting that is the user's decision.
  if (ReadFileStamp(fileName) != saving.loaded) {
    const int answer = AskUser(FormatUiStrings(UiText(utFileChangedOnDisk), {NameOf(fileName)}),
                               MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    if (life.destroyed || answer != IDYES) return false;
  }

  // The save's check reads the written file as the next open will, and refuses a write that would open
  // as another table.
  TSaveResult why;
  if (qelvar::SaveDocument(*document, fileName, choices.commentMode, &why)) {
    document->MarkSaved();
    saving.loaded = ReadFileStamp(fileName);
    // The file now holds the saved text, not the bytes the document was read from: a later change on
    // disk is read in full.
    watch.appendable = false;
    StartWatching();
    UpdateStatusBar();
    return true;
  }
  std::u16string message = UiText(utFileSaveFailed);
  if (why.Problem == TSaveProblem::TargetRemoved)
    message += u"\r\n" + UiText(utSaveKeptIn) + u"\r\n" + why.KeptFile;
  else if (why.Problem == TSaveProblem::ReadsDifferently)
    message += u"\r\n" + UiText(utSaveReadsDifferently);
  else if (const std::u16string reason = SaveFailureReason(*document, fileName); !reason.empty())
    message += u"\r\n" + reason;
  AskUser(message, MB_OK | MB_ICONERROR);
  if (life.destroyed) return false;
  UpdateStatusBar();
  return false;
}

bool TCsvViewer::ConfirmSaveBefore(TUiText action, bool hostHonoursCancel) noexcept {
  // A second request while the question is up (the host closing again) is refused.
  if (saving.promptActive) return false;
  try {
    const TFlagHeld prompt(saving.promptActive);
    saving.lastSaveFailed = false;
    EndCellEdit(true);
    if (life.destroyed || cellEditor.Box()) return false;
    // Nothing unsaved, or edits the user already chose to let go (a No before a key that closes).
    if (!Modified() || saving.stamps.Settled()) return true;
    const std::u16string question = FormatUiStrings(UiText(utSaveBefore), {NameOf(fileName), UiText(action)});
    const int answer = AskUser(question, (hostHonoursCancel ? MB_YESNOCANCEL : MB_YESNO) | MB_ICONWARNING);
    if (life.destroyed) return false;
    if (answer == IDNO) {
      // The user let these edits go: no recovery file for them.
      saving.stamps.Settle();
      return true;
    }
    if (answer != IDYES) return false;
    if (SaveDocument()) return true;
    saving.lastSaveFailed = true;
    // The host closes anyway: what could not be saved goes to a recovery file now, while there is a
    // window to say where.
    if (!life.destroyed && !hostHonoursCancel) RecoverUnsavedEdits(true);
    return false;
  } catch (...) {
    return false;
  }
}

void TCsvViewer::RecoverUnsavedEdits(bool tellUser) noexcept {
  try {
    if (!document || !Modified() || saving.stamps.Settled()) return;
    saving.stamps.Settle();
    std::u16string path;
    const bool written = WriteRecoveryFile(*document, fileName, choices.commentMode, path);
    std::u16string text =
        FormatUiStrings(UiText(written ? utRecoveryWritten : utRecoveryFailed), {NameOf(fileName)});
    // A window being destroyed can own no box, and no modal loop may run inside its destruction.
    if (!tellUser || !window || life.destroyed) return;
    if (written) text += u"\r\n" + path;
    ShowMessageBox(window, text, MB_OK | (written ? MB_ICONWARNING : MB_ICONERROR));
  } catch (...) {
    MessageBeep(MB_ICONERROR);
  }
}

}  // namespace qelvar
