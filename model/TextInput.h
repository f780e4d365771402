#pragma once

// Opening the system's text inputs. Every reader takes its file whole into
// memory, so a file is refused before anything is read when it is no regular
// file (a folder has no text, a pipe or a device such as /dev/zero blocks or
// never ends) or is larger than its reader's limit.

#include <cstdint>
#include <fstream>
#include <string>

// Largest text inputs, bytes. The shipped model and style files take a few
// kilobytes, the demo history 0.3 MB for 70 s of samples.
inline constexpr std::uintmax_t kModelFileLimit = std::uintmax_t{4} << 20;  // model and style files
inline constexpr std::uintmax_t kHistoryFileLimit = std::uintmax_t{64} << 20;
inline constexpr std::uintmax_t kBatchFileLimit = std::uintmax_t{1} << 20;

enum class TextInputState { Opened, Missing, Unreadable, NotRegularFile, TooLarge };

// Opens `fileName` for reading when it is a regular file of at most `maxBytes`
// bytes, positioned after a UTF-8 byte-order mark when the file begins with one.
TextInputState OpenTextInput(const std::string& fileName, std::uintmax_t maxBytes,
                             std::ifstream& file);

// Why the file was refused: "Cannot open 'h.in'" (missing or unreadable), "'h.in'
// is not a regular file", "'h.in' has 70000000 bytes, more than the limit of
// 67108864". Empty when it was opened.
std::string TextInputProblem(TextInputState state, const std::string& fileName,
                             std::uintmax_t maxBytes);
