// The column profile's worker: the figures of the values handed to it, and a cancel that ends it without
// a notice.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "viewer/profile/profile_job.h"

namespace qelvar {
namespace {

TEST(ProfileJob, ProfilesTheValuesItWasGivenAndSaysWhenDone) {
  TColumnValues values;
  for (const char16_t* value : {u"10", u"2.5", u"", u"10"}) values.Add(value);
  ASSERT_EQ(values.Count(), 4u);
  EXPECT_EQ(values.At(1), u"2.5");
  EXPECT_EQ(values.At(2), u"");

  std::atomic<bool> told{false};
  TProfileJob job;
  ASSERT_TRUE(job.Begin(std::move(values), TDecimalSeparator::Point, [&] { told = true; }));
  for (int i = 0; i < 500 && !told; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_TRUE(told);
  ASSERT_TRUE(job.Done());
  EXPECT_EQ(job.Percent(), 100);
  EXPECT_EQ(job.Result().type, TColumnType::Numbers);
  EXPECT_EQ(job.Result().rows, 4);
  EXPECT_EQ(job.Result().empty, 1);
  EXPECT_EQ(job.Result().distinct, 2);
  ASSERT_FALSE(job.Result().top.empty());
  EXPECT_EQ(job.Result().top[0].value, u"10");
  EXPECT_EQ(job.Result().top[0].count, 2);
}

TEST(ProfileJob, ACancelEndsTheWorkerWithoutANotice) {
  TColumnValues values;
  for (int i = 0; i < 3'000'000; ++i) values.Add(i % 2 ? u"some text" : u"other text");
  std::atomic<bool> told{false};
  TProfileJob job;
  ASSERT_TRUE(job.Begin(std::move(values), TDecimalSeparator::Point, [&] { told = true; }));
  job.Cancel();
  EXPECT_FALSE(job.Done());
  EXPECT_FALSE(told);
  EXPECT_FALSE(job.Begin(TColumnValues{}, TDecimalSeparator::Point, nullptr)) << "one job per worker";
}

}  // namespace
}  // namespace qelvar
