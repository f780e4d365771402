#include "results/ResultsLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

// The process id the holder wrote into the lock file, or "" when there is none.
std::string HolderOf(int descriptor) {
  char text[32] = {};
  const ssize_t read = pread(descriptor, text, sizeof(text) - 1, 0);
  if (read <= 0) return std::string();
  std::string holder(text, static_cast<std::size_t>(read));
  return holder.substr(0, holder.find_first_not_of("0123456789"));
}

// Whether `descriptor` still is the file named `fileName`: the run that held the
// lock before removes the file on release, perhaps after it was opened here.
bool StillNamed(int descriptor, const std::string& fileName) {
  struct stat opened {};
  struct stat named {};
  return fstat(descriptor, &opened) == 0 && stat(fileName.c_str(), &named) == 0 &&
         opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

}  // namespace

std::string ResultsLock::LockFileName(const std::string& folder) {
  return folder + "/.kelvra.lock";
}

bool ResultsLock::Acquire(const std::string& folder, std::string& error) {
  Release();
  std::error_code ignored;
  if (!std::filesystem::is_directory(folder, ignored)) return true;
  const std::string name = LockFileName(folder);
  while (true) {
    // Never through a link planted at the name: the process id written into the
    // lock would overwrite whatever file it points to.
    const int opened =
        open(name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    // A folder that takes no files takes no results either: nothing to protect.
    if (opened < 0 && (errno == EACCES || errno == EROFS)) return true;
    struct stat kind {};
    if (opened < 0 || fstat(opened, &kind) != 0 || !S_ISREG(kind.st_mode)) {
      const std::string cause = opened >= 0      ? "not a regular file"
                                : errno == ELOOP ? "a symbolic link"
                                                 : std::strerror(errno);
      if (opened >= 0) close(opened);
      error = "Error - the lock file '" + name + "' of the results folder cannot be used (" +
              cause + "); remove it, or use another results folder.";
      return false;
    }
    if (flock(opened, LOCK_EX | LOCK_NB) != 0) {
      const std::string holder = HolderOf(opened);
      close(opened);
      error = "Error - another run" + (holder.empty() ? "" : " (process " + holder + ")") +
              " is using the results folder '" + folder + "'; one folder holds one run at a time.";
      return false;
    }
    if (StillNamed(opened, name)) {
      descriptor = opened;
      fileName = name;
      const std::string pid = std::to_string(getpid()) + "\n";
      if (ftruncate(descriptor, 0) == 0) {
        [[maybe_unused]] const ssize_t written = pwrite(descriptor, pid.data(), pid.size(), 0);
      }
      return true;
    }
    close(opened);
  }
}

void ResultsLock::Release() {
  if (descriptor < 0) return;
  unlink(fileName.c_str());
  close(descriptor);
  descriptor = -1;
}
