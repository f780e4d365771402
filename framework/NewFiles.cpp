#include "framework/NewFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr std::size_t kCopyBlock = 1 << 20;

std::string SystemError(const char* what, const std::string& name) {
  return std::string("cannot ") + what + " '" + name + "' (" + std::strerror(errno) + ")";
}

bool WriteAll(int to, const char* data, std::size_t size, const std::string& name,
              std::string& error) {
  while (size > 0) {
    const ssize_t put = write(to, data, size);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) {
      error = SystemError("write", name);
      return false;
    }
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}

// Closing hands the last blocks to the system, which may only now find the disk full.
bool CloseWritten(int to, const std::string& name, bool written, std::string& error) {
  if (close(to) == 0 || !written) return written;
  error = SystemError("write", name);
  return false;
}

}  // namespace

NewFiles::~NewFiles() {
  if (kept) return;
  for (const std::string& name : files) unlink(name.c_str());
  std::for_each(folders.rbegin(), folders.rend(),
                [](const std::string& name) { rmdir(name.c_str()); });
}

bool NewFiles::MakeFolder(const std::string& name, std::string& error) {
  if (mkdir(name.c_str(), 0755) != 0) {
    error = SystemError("make the folder", name);
    return false;
  }
  folders.push_back(name);
  return true;
}

bool NewFiles::MakeFolders(const std::filesystem::path& name, std::string& error) {
  std::error_code ignored;
  if (name.empty() || std::filesystem::exists(name, ignored)) return true;
  std::filesystem::path folder = name.lexically_normal();
  if (!folder.has_filename()) folder = folder.parent_path();
  return MakeFolders(folder.parent_path(), error) && MakeFolder(folder.string(), error);
}

int NewFiles::Create(const std::string& name, std::string& error) {
  const int to = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (to < 0) {
    error = SystemError("write", name);
  } else {
    files.push_back(name);
  }
  return to;
}

bool NewFiles::Write(const std::string& name, const std::string& text, std::string& error) {
  const int to = Create(name, error);
  if (to < 0) return false;
  return CloseWritten(to, name, WriteAll(to, text.data(), text.size(), name, error), error);
}

bool NewFiles::Copy(const std::string& from, const std::string& name, std::string& error) {
  const int source = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (source < 0) {
    error = SystemError("read", from);
    return false;
  }
  const int to = Create(name, error);
  bool written = to >= 0;
  buffer.resize(kCopyBlock);
  while (written) {
    const ssize_t got = read(source, buffer.data(), buffer.size());
    if (got == 0) break;
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = SystemError("read", from);
      written = false;
    } else {
      written = WriteAll(to, buffer.data(), static_cast<std::size_t>(got), name, error);
    }
  }
  close(source);
  return to >= 0 && CloseWritten(to, name, written, error);
}
