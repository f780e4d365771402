#include "framework/OrderedJobs.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

int DefaultJobCount() {
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void RunOrderedJobs(int count, int threads, const std::function<void(int)>& run,
                    const std::function<void(int)>& finish) {
  const int workers = std::min(std::max(threads, 1), count);
  if (workers <= 1) {
    for (int i = 0; i < count; ++i) {
      run(i);
      finish(i);
    }
    return;
  }
  // Workers take the next job as they become free, so that a long job does
  // not hold up the jobs after it; only the hand-over waits for the order.
  std::atomic<int> next{0};
  std::mutex mutex;
  std::condition_variable finished;
  std::vector<char> done(static_cast<std::size_t>(count), 0);
  std::vector<std::thread> pool;
  pool.reserve(static_cast<std::size_t>(workers));
  for (int w = 0; w < workers; ++w) {
    pool.emplace_back([&] {
      for (int i = next++; i < count; i = next++) {
        run(i);
        const std::lock_guard<std::mutex> lock(mutex);
        done[static_cast<std::size_t>(i)] = 1;
        finished.notify_all();
      }
    });
  }
  for (int i = 0; i < count; ++i) {
    {
      std::unique_lock<std::mutex> lock(mutex);
      finished.wait(lock, [&] { return done[static_cast<std::size_t>(i)] != 0; });
    }
    finish(i);
  }
  for (std::thread& worker : pool) worker.join();
}
