#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>

#include "model/TextInput.h"
#include "support/TestSupport.h"

namespace {

using testing_support::TempFolder;

// Every input is refused by what it is, before anything of it is read: a
// folder, a pipe or an endless device cannot become the text of a reader.
TEST(TextInputTest, RefusesWhatIsNoRegularFileOfBoundedSize) {
  TempFolder folder;
  folder.Write("small.in", "EFD 1 5\n");
  folder.Write("large.in", std::string(101, 'x'));
  std::filesystem::create_directory(folder.Path() / "folder.in");
  const std::string fifo = (folder.Path() / "fifo.in").string();
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  struct Case {
    std::string file;
    TextInputState state;
    std::string problem;
  };
  const std::string at = folder.Path().string() + "/";
  const Case cases[] = {
      {at + "small.in", TextInputState::Opened, ""},
      {at + "absent.in", TextInputState::Missing, "Cannot open '" + at + "absent.in'"},
      {at + "folder.in", TextInputState::NotRegularFile,
       "'" + at + "folder.in' is not a regular file"},
      {fifo, TextInputState::NotRegularFile, "'" + fifo + "' is not a regular file"},
      {"/dev/zero", TextInputState::NotRegularFile, "'/dev/zero' is not a regular file"},
      {at + "large.in", TextInputState::TooLarge,
       "'" + at + "large.in' has 101 bytes, more than the limit of 100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::ifstream file;
    EXPECT_EQ(c.state, OpenTextInput(c.file, 100, file));
    EXPECT_EQ(c.state == TextInputState::Opened, file.is_open());
    EXPECT_EQ(c.problem, TextInputProblem(c.state, c.file, 100));
  }
}

// A UTF-8 byte-order mark that an editor put in front of the first word is
// skipped; any other start of the text is kept.
TEST(TextInputTest, SkipsAByteOrderMarkOnly) {
  TempFolder folder;
  const std::pair<std::string, std::string> cases[] = {
      {"\xEF\xBB\xBF"
       "EFD 1 5",
       "EFD 1 5"},
      {"EFD 1 5", "EFD 1 5"},
      {"\xEF\xBB", "\xEF\xBB"},
      {"", ""},
      {"\xEF\xBB\xBF", ""},
  };
  for (const auto& [content, text] : cases) {
    folder.Write("h.in", content);
    std::ifstream file;
    ASSERT_EQ(TextInputState::Opened,
              OpenTextInput((folder.Path() / "h.in").string(), kHistoryFileLimit, file));
    EXPECT_EQ(text, std::string(std::istreambuf_iterator<char>(file), {}));
  }
}

}  // namespace
