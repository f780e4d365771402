#pragma once

// Two runs in one working folder would write the same result files at once and
// leave a mixture of both. A run therefore holds an exclusive lock on its
// results folder: a lock file locked with flock, which the system releases even
// when the process is killed, and which is removed when the lock is released.

#include <string>

class ResultsLock {
 public:
  // The lock file in `folder`.
  static std::string LockFileName(const std::string& folder);

  ResultsLock() = default;
  ~ResultsLock() { Release(); }
  ResultsLock(const ResultsLock&) = delete;
  ResultsLock& operator=(const ResultsLock&) = delete;

  // Takes the lock on `folder`. False, with `error` naming the folder and the
  // process that holds it, when another run holds it, and when a symbolic link
  // or anything but a regular file stands at the lock file's name. Without the
  // folder, or in a folder that takes no files, there is nothing to protect, and
  // the run goes ahead without a lock.
  bool Acquire(const std::string& folder, std::string& error);
  // Removes the lock file and releases the lock.
  void Release();

 private:
  int descriptor = -1;
  std::string fileName;
};
