#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "framework/OrderedJobs.h"

namespace {

// Job 0 can only end after job 1 has run, so job 1 finishes first; the
// hand-over still goes in job order.
TEST(OrderedJobsTest, JobsFinishingOutOfOrderAreHandedOnInOrder) {
  std::mutex mutex;
  std::condition_variable ran;
  bool secondRan = false;
  std::vector<int> handedOn;
  const auto run = [&](int i) {
    std::unique_lock<std::mutex> lock(mutex);
    if (i == 1) {
      secondRan = true;
      ran.notify_all();
    }
    if (i == 0) ran.wait(lock, [&] { return secondRan; });
  };
  RunOrderedJobs(4, 2, run, [&](int i) { handedOn.push_back(i); });
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), handedOn);
}

// One thread runs each job and hands it on before the next job starts.
TEST(OrderedJobsTest, OneThreadRunsJobAfterJob) {
  struct Case {
    int count;
    int threads;
    std::string calls;
  };
  const Case cases[] = {
      {3, 1, "r0 f0 r1 f1 r2 f2 "}, {1, 8, "r0 f0 "}, {0, 2, ""}, {2, 0, "r0 f0 r1 f1 "}};
  for (const Case& c : cases) {
    std::string calls;
    RunOrderedJobs(
        c.count, c.threads, [&](int i) { calls += "r" + std::to_string(i) + " "; },
        [&](int i) { calls += "f" + std::to_string(i) + " "; });
    EXPECT_EQ(c.calls, calls) << c.count << " jobs on " << c.threads << " threads";
  }
}

}  // namespace
