// Reading what a writer appended to a file after it was loaded, without reading the file again: a log or
// an export that grows while it is viewed. Portable; the viewer's watcher and `qelvar-cli view --follow`
// drive it.
#pragma once

#include <cstdint>
#include <string>

#include "document/csv_document.h"
#include "document/prescan.h"
#include "platform/platform.h"

namespace qelvar {

// What became of a file since it was read.
enum class TFileChange {
  Same,       // the size and the tail before the end read are as they were
  Grew,       // longer, and the last bytes before the old end are unchanged: only the new bytes need reading
  Rewritten,  // shorter, or changed before the old end: only a full load reads it right
  Gone,       // it cannot be opened (deleted, renamed, locked)
};

class TCsvAppendReader {
 public:
  // Takes over where `document` ends: it was loaded from `fileName`, of which it holds the first
  // `document.SourceBytes()` bytes, cut with its delimiter (one column when it was read as one) and
  // `commentMode`. Remembers the last (up to) 4 KB before that end. False when those bytes can no longer
  // be read as the document read them, when SourceBytes is not known (-1) or the document was edited
  // (Check then says Gone or Rewritten). Never throws.
  bool Begin(const std::u16string& fileName, const TCsvDocument& document, int commentMode) noexcept;

  // The file now against what was read: its size, and the tail before the old end. Opens the file and
  // reads at most 4 KB. Never throws.
  TFileChange Check() const noexcept;

  // Reads the bytes after what was read (at most 64 MB per call: call again while Check says Grew),
  // decodes them with the document's encoding (the bytes of a character cut by the file's end wait for
  // the rest) and appends their complete lines to `document` as rows, cut as a load of the whole file
  // would cut them with the load's decisions (sampled width, comment lines). A line without its line
  // break yet (a writer in mid-line) is held back until the break comes; a document whose text ended
  // without one (its last row was half written when it was loaded) gets that row cut again with its new
  // end once the break arrives (see UnfinishedRow). `document` must be the one given to Begin, with no
  // edit since. Returns the rows appended, a replaced last row among them (the new rows are the last
  // ones); 0: nothing new, or only part of a line; -1 when the file did not just grow (Check is not Grew
  // any more: reload it in full), cannot be read, or the document was edited; the document is then as it
  // was. Never throws (memory running out is -1 too). Costs what the new bytes cost, not the document.
  std::int64_t ReadAppended(TCsvDocument& document) noexcept;

  // Bytes of the file taken in so far (the document's and the held-back ones).
  std::int64_t BytesRead() const noexcept { return read_; }
  // The document's last row when its line had no line break at Begin and none has come since: ReadAppended
  // replaces it by the row its whole line makes. -1 when there is none.
  std::int32_t UnfinishedRow() const noexcept { return unfinishedRow_; }

 private:
  // Opens the file into `reader` and compares it with what was read; after Same or Grew, `reader` stands
  // at read_ and `size` is the file's size. Throws std::bad_alloc only.
  TFileChange Examine(platform::BlockReader& reader, std::int64_t& size) const;
  // The load's decisions for text that starts at the 0-based `at` of the document's text.
  TPreScan DecisionsAt(std::size_t at) const;

  std::u16string fileName_;
  std::int64_t read_ = 0;          // bytes read from the file's start
  std::string tail_;               // the file's bytes [read_ - tail_.size(), read_)
  std::string held_;               // bytes read that are in no row yet: from replaceFrom_'s line on
  std::size_t replaceFrom_ = 0;    // 0-based in the document's text: where held_'s text goes (the text
                                   // from there on, a line without its break, is replaced)
  std::int64_t replaceHidden_ = 0; // hidden lines counted in the text that is replaced
  std::int32_t unfinishedRow_ = -1;
  bool seenData_ = false;          // a data row came before replaceFrom_ (auto comment mode)
  int commentMode_ = 0;
  char16_t cutWith_ = u',';
  TCsvCutDecisions decisions_;
  TCsvEncodingInfo encoding_;      // the document's: the new bytes continue it
  std::size_t docText_ = 0;        // the document's text size and row count as this reader left them,
  std::int32_t docRows_ = 0;       // which tell an edit
  bool began_ = false;
};

}  // namespace qelvar
