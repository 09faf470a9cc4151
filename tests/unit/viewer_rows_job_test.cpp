// The worker that computes the grid's rows aside: it hands over what its work made, and a cancel ends it
// without a notice (the job is then spent).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "viewer/grid/rows_job.h"

namespace qelvar {
namespace {

TEST(RowsJob, HandsOverTheRowsOrEndsOnACancelWithoutANotice) {
  std::atomic<bool> told{false};
  {
    TRowsJob job;
    ASSERT_TRUE(job.Begin([](const std::atomic<bool>&, TIntArray& rows) { rows = {4, 2}; return true; }, [&] { told = true; }));
    for (int i = 0; i < 500 && !told; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(job.Done());
    EXPECT_EQ(job.TakeRows(), (TIntArray{4, 2}));
  }
  told = false;
  TRowsJob job;
  ASSERT_TRUE(job.Begin(
      [](const std::atomic<bool>& stop, TIntArray&) {
        while (!stop.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return false;
      },
      [&] { told = true; }));
  job.Cancel();
  EXPECT_FALSE(job.Done());
  EXPECT_FALSE(told);
  EXPECT_FALSE(job.Begin([](const std::atomic<bool>&, TIntArray&) { return true; }, nullptr)) << "spent";
}

}  // namespace
}  // namespace qelvar
