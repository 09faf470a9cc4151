// Loading a large file in stretches: a first document from the file's start, then batches of rows cut
// aside (on a worker thread) and appended by the document's owner. Once the last batch is in, the
// document is what LoadFromFile makes of the same file and settings, unless Mismatch says that a
// decision made from the start was contradicted further in.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "document/block_decoder.h"
#include "document/csv_document.h"
#include "document/prescan.h"
#include "platform/platform.h"

namespace qelvar {

enum class TLoadState {
  Loading,    // more batches to come
  Done,       // the last batch was handed out
  Failed,     // unreadable, or the text ends inside quotes: the document must be dropped
  Stopped,    // the stop flag was raised: the document holds the rows handed out so far
  Truncated,  // the file does not fit the room given: the document holds the rows that did fit
};

struct TProgressiveOptions {
  std::size_t BlockBytes = std::size_t{4} << 20;  // bytes read per block (at least 1)
  std::size_t StartBytes = 0;  // bytes read first, for the start's decisions (0: BlockBytes); more follow if needed
  std::uint64_t Room = 0;  // bytes of memory the load may take; 0: what the address space allows
};

class TCsvProgressiveLoad {
 public:
  // `stop`, when given, is read between reads of at most 256 KB: raised, the load ends as Stopped.
  explicit TCsvProgressiveLoad(const std::atomic<bool>* stop = nullptr) : stop_(stop) {}

  // Opens the file and reads until the encoding, the delimiter and the sampled width and table start
  // are settled (a block at least, more when the sample of `sampleRows` records reaches past it), then
  // makes `document` of the complete lines read; a partial last line waits for the next batch. The
  // arguments mean what they mean to LoadFromFile. False (document empty, `*failure` as LoadFromFile sets
  // it) when the file cannot be read, is too large, or is read whole and ends inside quotes. Never throws.
  bool Start(const std::u16string& fileName, std::int64_t maxFileSize, char16_t delimiter, int commentMode,
             std::u16string_view forcedEncoding, bool trimValues, std::int64_t sampleRows,
             const TProgressiveOptions& options, std::unique_ptr<TCsvDocument>& document,
             TLoadFailure* failure = nullptr);

  // Reads and cuts the next block aside into `batch`, touching no document (safe on a worker thread
  // while the owner reads the document); the memory `batch` holds is reused (its content is not read).
  // False when there is none: State() says why. A batch with Last is the final one (also after
  // Truncated). Never throws (memory running out is Truncated: what was handed out stays whole).
  bool Next(TCsvBatch& batch);

  TLoadState State() const { return state_; }
  // Bytes of the file read so far and its size when opened, for a progress display.
  std::int64_t BytesRead() const { return read_; }
  std::int64_t FileSize() const { return size_; }
  // Something read after the start contradicts a decision: the whole file would be read in another
  // encoding, or a row had more fields than the sampled width (they were dropped, as a full load drops
  // them). The rows are still the ones a load with the start's decisions gives.
  bool Mismatch() const { return !decoder_.Agrees() || cut_.Wider; }

 private:
  bool ReadBlock(TByteBuffer& bytes, std::size_t want);
  // The bytes of the file that the room holds: the document takes some 3.3 bytes of memory per byte
  // (UTF-16 text, cells, rows), the batches on their way and the read buffers take more, and the room
  // is rarely one free stretch: a sixth of it.
  std::uint64_t Fits() const { return options_.Room / 6; }
  bool CutPending(bool final, TCsvBatch& batch);

  const std::atomic<bool>* stop_;
  platform::BlockReader reader_;
  TBlockDecoder decoder_;
  TProgressiveOptions options_;
  TLoadState state_ = TLoadState::Loading;
  std::int64_t size_ = 0;
  std::int64_t read_ = 0;
  bool eof_ = false;
  TByteBuffer bytes_;          // the last block's bytes (kept: its memory serves the next block)
  TTextBuffer pending_;        // text read after the last complete line handed out
  std::size_t pendingAt_ = 0;  // its 0-based position in the document's text
  char16_t cutWith_ = u',';
  int commentMode_ = kCommentsParsed;
  TPreScan pre_;
  TCsvCutState cut_;
};

// LoadFromFile through TCsvProgressiveLoad, all batches appended at once (same result and contract).
bool LoadFromFileInBlocks(const std::u16string& fileName, std::int64_t maxFileSize, char16_t delimiter,
                          int commentMode, std::u16string_view forcedEncoding, std::unique_ptr<TCsvDocument>& document,
                          bool trimValues, std::int64_t sampleRows, const TProgressiveOptions& options,
                          TLoadFailure* failure = nullptr);

}  // namespace qelvar
