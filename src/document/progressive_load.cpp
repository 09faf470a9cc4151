// The progressive load: decisions from the file's start, then blocks cut aside and appended.
#include "document/progressive_load.h"

#include <algorithm>
#include <limits>
#include <new>

#include "document/delimiter.h"

namespace qelvar {

namespace {

constexpr std::size_t kReadPiece = std::size_t{256} << 10;  // a cancel waits for one such read at most

bool Raised(const std::atomic<bool>* stop) { return stop && stop->load(std::memory_order_relaxed); }

}  // namespace

bool TCsvProgressiveLoad::ReadBlock(TByteBuffer& bytes, std::size_t want) {
  const std::size_t at = bytes.size();
  bytes.resize(at + want);
  // Natively the block's buffers come in large pages like the document's arrays: their first touch in
  // small ones costs a fault per 4 KB.
  platform::PreferLargePages(bytes.data(), bytes.capacity());
  std::size_t got = 0;
  while (got < want && !eof_) {
    if (Raised(stop_)) {
      state_ = TLoadState::Stopped;
      return false;
    }
    const std::int64_t n = reader_.Read(bytes.data() + at + got, std::min(want - got, kReadPiece));
    if (n < 0) {
      state_ = TLoadState::Failed;
      return false;
    }
    eof_ = n == 0;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(at + got);
  read_ += static_cast<std::int64_t>(got);
  return true;
}

bool TCsvProgressiveLoad::CutPending(bool final, TCsvBatch& batch) {
  // A CR at the end may be the first half of a CR LF: it waits for the next block.
  std::size_t take = pending_.size();
  if (!final && take > 0 && pending_[take - 1] == u'\r') --take;
  TPreScan pre = pre_;
  pre.DataStart = pre_.DataStart > pendingAt_ ? pre_.DataStart - pendingAt_ : 0;
  TCsvDocument scratch;
  // The memory of the batch given (one handed back after its rows were appended) serves this one: under
  // Wine every page of fresh memory costs a fault, which made the cutting of a block ten times slower.
  scratch.rows_ = std::move(batch.Rows);
  scratch.cells_ = std::move(batch.Cells);
  cut_.Final = final;
  const bool closed = scratch.CutFrom(std::u16string_view(pending_.data(), take), cutWith_, commentMode_, pre, cut_);
  if (final && !closed) return false;
  const std::size_t used = final ? pending_.size() : cut_.Next;
  // The text cut leaves as the batch's, without a copy; what follows it (part of a line) stays pending,
  // in the text memory handed back, which the next block is decoded into.
  TTextBuffer spare = std::move(batch.Text);
  batch = TCsvBatch{};
  spare.assign(pending_.begin() + static_cast<std::ptrdiff_t>(used), pending_.end());
  pending_.resize(used);
  batch.Text = std::move(pending_);
  pending_ = std::move(spare);
  pendingAt_ += used;
  batch.Rows = std::move(scratch.rows_);
  batch.Cells = std::move(scratch.cells_);
  batch.Hidden = cut_.Hidden;
  batch.Widest = static_cast<std::int32_t>(std::min<std::size_t>(cut_.Widest, INT32_MAX));
  batch.Last = final;
  batch.Encoding = decoder_.Info();
  // Final means that every byte read is in the text by now.
  batch.SourceBytes = final ? read_ : -1;
  return true;
}

bool TCsvProgressiveLoad::Start(const std::u16string& fileName, std::int64_t maxFileSize, char16_t delimiter,
                                int commentMode, std::u16string_view forcedEncoding, bool trimValues,
                                std::int64_t sampleRows, const TProgressiveOptions& options,
                                std::unique_ptr<TCsvDocument>& document, TLoadFailure* failure) {
  document.reset();
  if (failure) *failure = TLoadFailure{};
  options_ = options;
  options_.BlockBytes = std::max<std::size_t>(options_.BlockBytes, 1);
  if (options_.Room == 0) options_.Room = platform::AvailableAddressSpace();
  try {
    switch (reader_.Open(fileName, maxFileSize, size_)) {
      case platform::ReadResult::Ok: break;
      case platform::ReadResult::TooLarge:
        if (failure) *failure = TLoadFailure{true, size_, maxFileSize};
        state_ = TLoadState::Failed;
        return false;
      case platform::ReadResult::Failed: state_ = TLoadState::Failed; return false;
    }
    // Enough bytes for a mark and for the UTF-16 test of the first two.
    TByteBuffer bytes;
    const std::size_t startBytes = options_.StartBytes > 0 ? options_.StartBytes : options_.BlockBytes;
    while (!eof_ && bytes.size() < std::max<std::size_t>(startBytes, 4))
      if (!ReadBlock(bytes, startBytes)) return false;
    decoder_.Begin(View(bytes), eof_, forcedEncoding, pending_);
    const bool detect = delimiter == 0 || delimiter == u'"' || delimiter == u'\r' || delimiter == u'\n';
    char16_t chosen = delimiter;
    TPreScan pre;
    bool single = false;
    // More blocks until a longer text could no longer change the decisions: checked each time the text
    // has doubled, so that tiny blocks do not make the start quadratic.
    std::size_t checkAt = 0;
    for (;;) {
      if (eof_ || pending_.size() >= checkAt) {
        const bool delimiterSettled = !detect || DelimiterSampleEnd(View(pending_)) < pending_.size();
        if (detect) chosen = DetectDelimiter(View(pending_));
        pre = RunPreScan(View(pending_), chosen, sampleRows, commentMode, detect);
        single = pre.SingleColumn;
        if (single) pre = RunPreScan(View(pending_), kNoFieldDelimiter, sampleRows, commentMode, true);
        if (eof_ || (delimiterSettled && pre.SampleSettled)) break;
        checkAt = std::max<std::size_t>(pending_.size() * 2, 64);
      }
      bytes.clear();
      if (!ReadBlock(bytes, options_.BlockBytes)) return false;
      decoder_.Next(View(bytes), eof_, pending_);
    }
    pre_ = pre;
    cutWith_ = single ? kNoFieldDelimiter : chosen;
    commentMode_ = commentMode;
    auto doc = std::make_unique<TCsvDocument>();
    doc->delimiter_ = chosen;
    doc->delimiterDetected_ = detect;
    doc->singleColumn_ = single;
    doc->trimValues_ = trimValues;
    doc->sampleRows_ = sampleRows;
    doc->encoding_ = decoder_.Info();
    doc->cutDecisions_ = TCsvCutDecisions{pre.MaxSampleFields, pre.DataStart, pre.SemicolonRowWidth};
    if (pre.MaxSampleFields > 0) doc->columnCount_ = static_cast<std::int32_t>(std::min<std::int64_t>(pre.MaxSampleFields, INT32_MAX));
    TCsvBatch first;
    if (!CutPending(eof_, first)) {
      state_ = TLoadState::Failed;
      return false;
    }
    // Room for the whole file (or the part of it that fits) from what its start took, so that appends do
    // not move the arrays: a move needs the old array and the new one at once, which a 32-bit address
    // space near its end does not have.
    const std::uint64_t toRead = std::min<std::uint64_t>(static_cast<std::uint64_t>(size_), Fits());
    if (!eof_ && read_ > 0 && toRead > static_cast<std::uint64_t>(read_)) {
      const double scale = static_cast<double>(toRead) / static_cast<double>(read_) * 1.05;
      const auto grown = [scale](std::size_t n) { return static_cast<std::size_t>(static_cast<double>(n) * scale) + 64; };
      try {
        doc->ReserveForLoad(grown(first.Text.size() + pending_.size()), grown(first.Rows.size()), grown(first.Cells.size()));
      } catch (const std::bad_alloc&) {
        // No stretch that long: the arrays grow as the batches come, as far as they can.
      }
    }
    if (!doc->AppendBatch(std::move(first))) {
      state_ = TLoadState::Failed;
      return false;
    }
    state_ = eof_ ? TLoadState::Done : TLoadState::Loading;
    document = std::move(doc);
    return true;
  } catch (...) {
    document.reset();
    state_ = TLoadState::Failed;
    return false;
  }
}

bool TCsvProgressiveLoad::Next(TCsvBatch& batch) {
  if (state_ != TLoadState::Loading) return false;
  try {
    // What does not fit is left unread and the rows read so far are the document.
    const std::uint64_t after = static_cast<std::uint64_t>(read_) + options_.BlockBytes;
    if (after > Fits()) {
      if (!CutPending(false, batch)) return state_ = TLoadState::Failed, false;
      batch.Last = true;
      state_ = TLoadState::Truncated;
      return true;
    }
    bytes_.clear();
    if (!ReadBlock(bytes_, options_.BlockBytes)) return false;
    decoder_.Next(View(bytes_), eof_, pending_);
    if (!CutPending(eof_, batch)) return state_ = TLoadState::Failed, false;
    if (eof_) state_ = TLoadState::Done;
    return true;
  } catch (const std::bad_alloc&) {
    // The memory is full: the rows handed out so far are whole, and the rest does not fit.
    state_ = TLoadState::Truncated;
    return false;
  } catch (...) {
    state_ = TLoadState::Failed;
    return false;
  }
}

bool LoadFromFileInBlocks(const std::u16string& fileName, std::int64_t maxFileSize, char16_t delimiter,
                          int commentMode, std::u16string_view forcedEncoding, std::unique_ptr<TCsvDocument>& document,
                          bool trimValues, std::int64_t sampleRows, const TProgressiveOptions& options,
                          TLoadFailure* failure) {
  TCsvProgressiveLoad load;
  if (!load.Start(fileName, maxFileSize, delimiter, commentMode, forcedEncoding, trimValues, sampleRows, options,
                  document, failure))
    return false;
  TCsvBatch batch;
  try {
    while (load.Next(batch))
      if (!document->AppendBatch(std::move(batch))) break;
  } catch (...) {
  }
  if (load.State() != TLoadState::Done) {
    document.reset();
    return false;
  }
  return true;
}

}  // namespace qelvar
