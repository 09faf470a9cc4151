// The background load's worker: what the owner takes and appends is the whole file, a stop ends the
// worker promptly whatever it was doing, and the queue never runs ahead of the owner by more than its
// length. Run under the sanitizers, these also guard the hand-over between the two threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "test_support.h"
#include "viewer/load/background_load.h"

namespace qelvar {
namespace {

// A table of `rows` rows of three cells, with quotes and line breaks inside some values.
std::string Table(int rows) {
  std::string text = "id,name,note\r\n";
  for (int i = 0; i < rows; ++i)
    text += std::to_string(i) + ",name " + std::to_string(i) + (i % 7 == 0 ? ",\"two\r\nlines\"\r\n" : ",x\r\n");
  return text;
}

// Counts the worker's notices and lets a test wait for the next one.
struct TNotices {
  std::mutex lock;
  std::condition_variable signal;
  int count = 0;
  void Notify() {
    {
      const std::lock_guard<std::mutex> hold(lock);
      ++count;
    }
    signal.notify_all();
  }
  bool WaitFor(int atLeast) {
    std::unique_lock<std::mutex> hold(lock);
    return signal.wait_for(hold, std::chrono::seconds(20), [&] { return count >= atLeast; });
  }
};

// Starts a load of `path` with small blocks; the first document goes to `document`.
std::unique_ptr<TCsvProgressiveLoad> Started(const TBackgroundLoad& background, const std::u16string& path,
                                             std::unique_ptr<TCsvDocument>& document, std::size_t block) {
  auto load = std::make_unique<TCsvProgressiveLoad>(background.Flag());
  TProgressiveOptions options;
  options.BlockBytes = block;
  if (!load->Start(path, 0, 0, kCommentsParsed, u"", true, 1000, options, document)) return nullptr;
  return load;
}

TEST(BackgroundLoad, TheBatchesTakenAndAppendedMakeTheWholeFile) {
  test::TempDir dir;
  const auto path = dir.File("big.csv");
  test::WriteBytes(path, Table(20000));
  std::unique_ptr<TCsvDocument> whole;
  ASSERT_TRUE(LoadFromFile(path, 0, 0, kCommentsParsed, u"", whole, true, 1000));

  TBackgroundLoad background;
  TNotices notices;
  std::unique_ptr<TCsvDocument> document;
  auto load = Started(background, path, document, 4096);
  ASSERT_NE(load, nullptr);
  ASSERT_EQ(load->State(), TLoadState::Loading);
  ASSERT_TRUE(background.Begin(std::move(load), [&] { notices.Notify(); }));
  EXPECT_FALSE(background.Begin(nullptr, nullptr)) << "one worker per load";
  // The owner's side: take what waits at each notice, until the last batch is in.
  bool last = false;
  for (int seen = 1; !last; ++seen) {
    const bool noticed = notices.WaitFor(seen);
    const bool ended = !background.Running();
    for (TCsvBatch& batch : background.Take()) {
      last = last || batch.Last;
      ASSERT_TRUE(document->AppendBatch(std::move(batch)));
    }
    ASSERT_TRUE(noticed || last) << "no notice";
    if (ended) break;
  }
  ASSERT_TRUE(last) << "the worker ended without the last batch";
  background.Stop();
  EXPECT_EQ(background.State(), TLoadState::Done);
  EXPECT_FALSE(background.Mismatch());
  EXPECT_EQ(background.BytesRead(), background.FileSize());
  EXPECT_EQ(document->Text(), whole->Text());
  ASSERT_EQ(document->RowCount(), whole->RowCount());
  EXPECT_EQ(document->GetCell(7001, 2), whole->GetCell(7001, 2));
}

TEST(BackgroundLoad, StopEndsTheWorkerWhetherItReadsOrWaitsForRoom) {
  test::TempDir dir;
  const auto path = dir.File("big.csv");
  test::WriteBytes(path, Table(200000));
  for (const bool ownerTakes : {false, true}) {
    SCOPED_TRACE(ownerTakes ? "reading" : "waiting for room");
    TBackgroundLoad background;
    TNotices notices;
    std::unique_ptr<TCsvDocument> document;
    auto load = Started(background, path, document, 512);
    ASSERT_NE(load, nullptr);
    ASSERT_TRUE(background.Begin(std::move(load), [&] { notices.Notify(); }));
    ASSERT_TRUE(notices.WaitFor(1));
    std::size_t taken = 0;
    if (ownerTakes) taken = background.Take().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    background.Stop();
    EXPECT_FALSE(background.Running());
    EXPECT_EQ(background.State(), TLoadState::Stopped);
    EXPECT_LT(background.BytesRead(), background.FileSize());
    // Without an owner taking, the worker cut no more than the queue holds.
    if (!ownerTakes) EXPECT_EQ(background.Take().size(), TBackgroundLoad::kQueueLength);
    else EXPECT_GT(taken, 0u);
  }
}

TEST(BackgroundLoad, DestroyedWhileRunningItStopsAndAStoppedOneBeginsNothing) {
  test::TempDir dir;
  const auto path = dir.File("big.csv");
  test::WriteBytes(path, Table(100000));
  {
    TBackgroundLoad background;
    std::unique_ptr<TCsvDocument> document;
    auto load = Started(background, path, document, 256);
    ASSERT_NE(load, nullptr);
    ASSERT_TRUE(background.Begin(std::move(load), [] {}));
  }
  TBackgroundLoad stopped;
  stopped.Stop();
  const TBackgroundLoad other;
  std::unique_ptr<TCsvDocument> document;
  auto load = Started(other, path, document, 256);
  ASSERT_NE(load, nullptr);
  EXPECT_FALSE(stopped.Begin(std::move(load), [] {}));
}

}  // namespace
}  // namespace qelvar
