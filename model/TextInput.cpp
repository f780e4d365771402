#include "model/TextInput.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

// A text editor's UTF-8 signature in front of the first word.
void SkipByteOrderMark(std::ifstream& file) {
  static const char kMark[] = "\xEF\xBB\xBF";
  char start[3] = {};
  file.read(start, 3);
  const bool marked = file.gcount() == 3 && std::equal(start, start + 3, kMark);
  file.clear();
  if (!marked) file.seekg(0);
}

}  // namespace

TextInputState OpenTextInput(const std::string& fileName, std::uintmax_t maxBytes,
                             std::ifstream& file) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(fileName, error);
  if (!fs::exists(status)) return TextInputState::Missing;
  // Checked before opening: opening a pipe for reading waits for a writer.
  if (!fs::is_regular_file(status)) return TextInputState::NotRegularFile;
  const std::uintmax_t size = fs::file_size(fileName, error);
  if (!error && size > maxBytes) return TextInputState::TooLarge;
  file.open(fileName, std::ios::binary);
  if (!file) return TextInputState::Unreadable;
  SkipByteOrderMark(file);
  return TextInputState::Opened;
}

std::string TextInputProblem(TextInputState state, const std::string& fileName,
                             std::uintmax_t maxBytes) {
  const std::string quoted = "'" + fileName + "'";
  switch (state) {
    case TextInputState::Opened:
      return std::string();
    case TextInputState::Missing:
    case TextInputState::Unreadable:
      return "Cannot open " + quoted;
    case TextInputState::NotRegularFile:
      return quoted + " is not a regular file";
    case TextInputState::TooLarge: {
      std::error_code error;
      return quoted + " has " + std::to_string(std::filesystem::file_size(fileName, error)) +
             " bytes, more than the limit of " + std::to_string(maxBytes);
    }
  }
  return std::string();
}
