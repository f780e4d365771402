// Memory that runs out ends the program with a message and exit status 1, the
// console text before it intact, instead of an abort.

#include <gtest/gtest.h>

#include <new>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "framework/Reporting.h"

namespace {

const char* const kOutOfMemory =
    "\nError - out of memory: the run needs more memory than it can get, and stops.\n";

TEST(OutOfMemoryTest, EndsTheRunWithAMessageAfterItsText) {
  std::ostringstream console;
  const auto exhausted = [&]() -> int {
    console << "Creating internal model representation... ";
    throw std::bad_alloc();
  };
  EXPECT_EQ(1, ExitStatusOf(exhausted, console));
  EXPECT_EQ(std::string("Creating internal model representation... ") + kOutOfMemory,
            console.str());
  EXPECT_EQ(2, ExitStatusOf([] { return 2; }, console));
}

// Threads of their own, such as the jobs of a batch, have no caller to catch it.
TEST(OutOfMemoryDeathTest, OnAnotherThreadTooWhileOtherFailuresStillAbort) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        EndOnOutOfMemory();
        std::thread([] { throw std::bad_alloc(); }).join();
      },
      testing::ExitedWithCode(1), "");
  EXPECT_EXIT(
      {
        EndOnOutOfMemory();
        std::thread([] { throw std::logic_error("a fault"); }).join();
      },
      testing::KilledBySignal(SIGABRT), "");
}

}  // namespace
