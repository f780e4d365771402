#pragma once

// The readers take file names, so every fuzz input is written to a file first.
// The files live in one folder per process, made on first use and removed when
// the process ends normally.

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fuzzing {

class InputFolder {
 public:
  InputFolder() {
    const std::filesystem::path pattern =
        std::filesystem::temp_directory_path() / "kelvra-fuzz-XXXXXX";
    std::string name = pattern.string();
    if (mkdtemp(name.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    path = name;
  }
  ~InputFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  InputFolder(const InputFolder&) = delete;
  InputFolder& operator=(const InputFolder&) = delete;

  // Writes the bytes as the file `name` of the folder and returns its path.
  std::string Write(const std::uint8_t* data, std::size_t size, const char* name) const {
    const std::string file = (path / name).string();
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) {
      std::perror(file.c_str());
      std::abort();
    }
    return file;
  }

  const std::filesystem::path& Path() const { return path; }

 private:
  std::filesystem::path path;
};

// The folder of this process.
inline const InputFolder& Folder() {
  static const InputFolder folder;
  return folder;
}

inline std::string WriteInput(const std::uint8_t* data, std::size_t size,
                              const char* name = "input.in") {
  return Folder().Write(data, size, name);
}

// A broken promise of a reader: reported like a crash, with the input saved.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

}  // namespace fuzzing
