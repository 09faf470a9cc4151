// What saving needs beside the document's safe save: the file's name for the boxes, why a save failed,
// and the recovery file that keeps unsaved edits when the viewer goes without a successful save. The
// viewer writes files only through the document's SaveTextToFile: the viewed file and, when that cannot
// be saved, a recovery file in the user's temporary folder.
#pragma once

#include <cstdint>
#include <string>

#include "viewer/load/file_stamp.h"

namespace qelvar {

// Which state of the text the unsaved edits are in, and whether that state is already kept (written to a
// recovery file, or discarded by a No to the save question): the same state is not recovered twice.
class TEditStamps {
 public:
  // Every change of the document's text (edits, undo, redo).
  void Changed() noexcept { ++edit_; }
  void Settle() noexcept { settled_ = edit_; }
  bool Settled() const noexcept { return settled_ == edit_; }

 private:
  std::uint64_t edit_ = 0;
  std::uint64_t settled_ = 0;
};

// What saving keeps between two saves.
struct TSaveState {
  TFileStamp loaded;          // the file as it was loaded or last saved
  bool promptActive = false;  // the save question is up (its box runs a modal loop)
  bool lastSaveFailed = false;  // the last save question was answered Yes and the save failed
  TEditStamps stamps;
};

class TCsvDocument;

// The file's name without its folder.
std::u16string NameOf(const std::u16string& path);

// Why the save of `document` failed, in the user's words; empty when there is nothing to add to the
// failure itself (a disk error, a folder without write access).
std::u16string SaveFailureReason(const TCsvDocument& document, const std::u16string& fileName);

// Writes the document's text to a new recovery file in the user's temporary folder named after the file
// and the time ("data.csv" -> "...\Temp\data-unsaved-20250131-140509.csv"), encoded as the file is when
// that can hold the text, else as UTF-8 (or UTF-16 for text with lone surrogates) with a mark. What the
// viewer holds is kept, the replacement characters of a lossy decode included. `path` is where; false
// when no file could be written.
bool WriteRecoveryFile(const TCsvDocument& document, const std::u16string& fileName, int commentMode,
                       std::u16string& path);

}  // namespace qelvar
