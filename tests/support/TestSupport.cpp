#include "support/TestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

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

fs::path KelvraBinary() {
  return fs::path(KELVRA_BINARY_DIR) / "kelvra";
}

}  // namespace testing_support
