#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

// A fresh folder under the system's temporary directory, removed again when the object dies.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path; }
  // Writes a text file relative to the folder, creating parent folders.
  void Write(const std::string& relative, const std::string& text) const;
  std::string Read(const std::string& relative) const;
  bool Exists(const std::string& relative) const;
  // Copies the shipped data/ folder's content into this folder.
  void CopyShippedData() const;

 private:
  std::filesystem::path path;
};

std::filesystem::path SourceDir();
std::filesystem::path DataDir();
std::string ReadFile(const std::filesystem::path& file);

// Result of running a program with its working folder and standard input set.
struct ProcessResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs the given command line through /bin/sh in `folder`, feeding `input` on standard input.
ProcessResult RunIn(const std::filesystem::path& folder, const std::string& command,
                    const std::string& input = "");

// RunIn with every file the program writes limited to `maxFileBytes` bytes: a
// write beyond that fails (File too large) as on a full disk. Its console texts
// come through pipes, which the limit does not touch.
ProcessResult RunWithFileLimit(const std::filesystem::path& folder, const std::string& command,
                               long long maxFileBytes, const std::string& input = "");

// The path of the built kelvra executable.
std::filesystem::path KelvraBinary();

}  // namespace testing_support
