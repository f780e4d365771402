#include "support/TestSupport.h"

#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace testing_support {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::random_device seed;
  std::mt19937_64 random(seed());
  do {
    path = fs::temp_directory_path() / ("kelvra-test-" + std::to_string(random()));
  } while (fs::exists(path));
  fs::create_directories(path);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

void TempFolder::Write(const std::string& relative, const std::string& text) const {
  const fs::path file = path / relative;
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out << text;
}

std::string TempFolder::Read(const std::string& relative) const {
  return ReadFile(path / relative);
}

bool TempFolder::Exists(const std::string& relative) const {
  return fs::exists(path / relative);
}

void TempFolder::CopyShippedData() const {
  fs::copy(DataDir(), path, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

fs::path SourceDir() {
  return fs::path(KELVRA_SOURCE_DIR);
}

fs::path DataDir() {
  return SourceDir() / "data";
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

ProcessResult RunIn(const fs::path& folder, const std::string& command, const std::string& input) {
  TempFolder io;
  io.Write("stdin", input);
  const fs::path outFile = io.Path() / "stdout";
  const fs::path errFile = io.Path() / "stderr";
  const std::string line = "cd '" + folder.string() + "' && " + command + " < '" +
                           (io.Path() / "stdin").string() + "' > '" + outFile.string() + "' 2> '" +
                           errFile.string() + "'";
  const int status = std::system(line.c_str());
  ProcessResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadFile(outFile);
  result.err = ReadFile(errFile);
  return result;
}

ProcessResult RunWithFileLimit(const fs::path& folder, const std::string& command,
                               long long maxFileBytes, const std::string& input) {
  TempFolder io;
  io.Write("stdin", input);
  const std::string line =
      "cd '" + folder.string() + "' && " + command + " < '" + (io.Path() / "stdin").string() + "'";
  int out[2];
  int err[2];
  if (pipe(out) != 0 || pipe(err) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    for (int fd : {out[0], out[1], err[0], err[1]}) close(fd);
    const rlimit limit{static_cast<rlim_t>(maxFileBytes), static_cast<rlim_t>(maxFileBytes)};
    setrlimit(RLIMIT_FSIZE, &limit);
    // A write beyond the limit then fails instead of ending the process.
    signal(SIGXFSZ, SIG_IGN);
    execl("/bin/sh", "sh", "-c", line.c_str(), nullptr);
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  ProcessResult result;
  pollfd open[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* texts[2] = {&result.out, &result.err};
  int remaining = 2;
  while (remaining > 0 && poll(open, 2, -1) > 0) {
    for (int i = 0; i < 2; ++i) {
      if (open[i].fd < 0 || open[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t got = read(open[i].fd, buffer, sizeof(buffer));
      if (got > 0) {
        texts[i]->append(buffer, static_cast<std::size_t>(got));
      } else {
        close(open[i].fd);
        open[i].fd = -1;
        --remaining;
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

fs::path KelvraBinary() {
  return fs::path(KELVRA_BINARY_DIR) / "kelvra";
}

}  // namespace testing_support
