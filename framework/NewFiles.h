#pragma once

// Files and folders made for the user next to files of the user's own: each
// one new, never written over an existing file nor through a symbolic link
// standing at its name, and every one of them removed again unless the whole
// work is done and kept, so that a failure halfway leaves nothing behind.

#include <filesystem>
#include <string>
#include <vector>

class NewFiles {
 public:
  NewFiles() = default;
  ~NewFiles();
  NewFiles(const NewFiles&) = delete;
  NewFiles& operator=(const NewFiles&) = delete;

  // Each false, with `error` naming the file and the system's reason, when
  // something already stands at `name` or the system refuses.
  bool MakeFolder(const std::string& name, std::string& error);
  // The folder and every one above it that is missing; what exists is kept.
  bool MakeFolders(const std::filesystem::path& name, std::string& error);
  bool Write(const std::string& name, const std::string& text, std::string& error);
  bool Copy(const std::string& from, const std::string& name, std::string& error);
  // The work is done: what was made stays.
  void Keep() { kept = true; }

 private:
  int Create(const std::string& name, std::string& error);

  std::vector<std::string> files;
  std::vector<std::string> folders;
  std::vector<char> buffer;
  bool kept = false;
};
