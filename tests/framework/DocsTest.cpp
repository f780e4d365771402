// The README and the guide in docs/ as a reader meets them: every block marked
// as runnable runs as written, the index links every page of the guide, and
// every relative link leads to a file and a heading that exist.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using testing_support::RunIn;
using testing_support::SourceDir;
using testing_support::TempFolder;

const char* const kRunnableMarker = "<!-- runnable -->";

// README.md first, then every page of docs/ in name order.
std::vector<fs::path> Pages() {
  std::vector<fs::path> pages;
  for (const auto& entry : fs::directory_iterator(SourceDir() / "docs")) {
    if (entry.path().extension() == ".md") pages.push_back(entry.path());
  }
  std::sort(pages.begin(), pages.end());
  pages.insert(pages.begin(), SourceDir() / "README.md");
  return pages;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}

struct Runnable {
  std::vector<std::string> blocks;
  std::vector<std::string> errors;
};

// The code block after each marker, indented by four blanks or fenced, as the
// shell gets it. A marker that no code block follows is an error: its command
// would silently go untested.
Runnable RunnableBlocks(const std::string& page) {
  Runnable found;
  std::istringstream lines(page);
  enum { kText, kMarked, kIndented, kFenced } state = kText;
  std::string block, blanks;
  int number = 0;
  const auto close = [&] {
    found.blocks.push_back(block);
    block.clear();
    blanks.clear();
    state = kText;
  };
  for (std::string line; std::getline(lines, line);) {
    ++number;
    if (state == kIndented && StartsWith(line, "    ")) {
      block += blanks + line.substr(4) + "\n";
      blanks.clear();
      continue;
    }
    if (state == kIndented && line.empty()) {
      blanks += "\n";
      continue;
    }
    if (state == kIndented) close();
    if (state == kFenced && StartsWith(line, "```")) {
      close();
      continue;
    }
    if (state == kFenced) {
      block += line + "\n";
      continue;
    }
    if (line == kRunnableMarker) {
      if (state == kMarked) found.errors.push_back("line " + std::to_string(number));
      state = kMarked;
    } else if (state == kMarked && StartsWith(line, "    ")) {
      block = line.substr(4) + "\n";
      state = kIndented;
    } else if (state == kMarked && StartsWith(line, "```")) {
      state = kFenced;
    } else if (state == kMarked && !line.empty()) {
      found.errors.push_back("line " + std::to_string(number));
      state = kText;
    }
  }
  if (state == kIndented || state == kFenced) close();
  if (state == kMarked) found.errors.push_back("the end");
  return found;
}

TEST(DocsTest, RunnableBlocksAreFoundWholeAndAlone) {
  const struct {
    const char* page;
    std::vector<std::string> blocks;
    std::vector<std::string> errors;
  } cases[] = {
      {"text\n    not marked\n<!-- runnable -->\n    a\n    b\ntext\n<!-- runnable -->\n\n"
       "    c\n",
       {"a\nb\n", "c\n"},
       {}},
      {"<!-- runnable -->\n    a\n\n    b\n\nafter\n    not marked\n", {"a\n\nb\n"}, {}},
      {"<!-- runnable -->\n```sh\ncd data\n```\n    not marked\n", {"cd data\n"}, {}},
      {"<!-- runnable -->\ntext\n    not marked\n", {}, {"line 2"}},
      {"<!-- runnable -->\n<!-- runnable -->\n    a\n<!-- runnable -->\n",
       {"a\n"},
       {"line 2", "the end"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    const Runnable found = RunnableBlocks(c.page);
    EXPECT_EQ(c.blocks, found.blocks);
    EXPECT_EQ(c.errors, found.errors);
  }
}

// The lines of a page outside fenced and indented code blocks. An indented
// line is code only after a blank line or more code, as Markdown has it.
std::vector<std::string> ProseLines(const std::string& page) {
  std::vector<std::string> prose;
  std::istringstream lines(page);
  bool fenced = false, code = false, afterBlank = true;
  for (std::string line; std::getline(lines, line);) {
    const bool blank = line.find_first_not_of(" \t") == std::string::npos;
    if (fenced) {
      fenced = !StartsWith(line, "```");
    } else {
      code = (StartsWith(line, "    ") && (code || afterBlank)) || (code && blank);
      fenced = !code && StartsWith(line, "```");
      if (!code && !fenced && !blank) prose.push_back(line);
    }
    afterBlank = blank;
  }
  return prose;
}

// The targets of the page's links and pictures, those in code left out.
std::vector<std::string> Links(const std::string& page) {
  static const std::regex codeSpan("(`+)[^`]*?\\1");
  static const std::regex link("\\]\\(([^)\\s]+)");
  std::vector<std::string> targets;
  for (const std::string& line : ProseLines(page)) {
    const std::string text = std::regex_replace(line, codeSpan, "");
    for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it) {
      targets.push_back((*it)[1]);
    }
  }
  return targets;
}

// A heading's anchor: lower case, blanks as hyphens, every other mark but
// hyphen and underscore dropped (the bytes of other scripts kept).
std::string Slug(const std::string& heading) {
  std::string slug;
  for (const unsigned char c : heading) {
    if (std::isalnum(c)) {
      slug += static_cast<char>(std::tolower(c));
    } else if (c == ' ') {
      slug += '-';
    } else if (c == '-' || c == '_' || c >= 0x80) {
      slug += static_cast<char>(c);
    }
  }
  return slug;
}

// The anchors of a page's headings, a repeated one numbered from 1.
std::set<std::string> Anchors(const std::string& page) {
  static const std::regex heading("^#{1,6} +(.*?)[ #]*$");
  std::set<std::string> anchors;
  std::smatch match;
  for (const std::string& line : ProseLines(page)) {
    if (!std::regex_match(line, match, heading)) continue;
    const std::string slug = Slug(match[1].str());
    std::string anchor = slug;
    for (int n = 1; anchors.count(anchor) != 0; ++n) anchor = slug + "-" + std::to_string(n);
    anchors.insert(anchor);
  }
  return anchors;
}

bool IsRelative(const std::string& target) {
  static const std::regex scheme("^[A-Za-z][A-Za-z0-9+.-]*:");
  return !std::regex_search(target, scheme);
}

TEST(DocsTest, LinksAndAnchorsAreReadAsARendererReadsThem) {
  const std::string page =
      "# Kelvra guide\n"
      "## `ITER` and the brake, near standstill\n"
      "## Notes\n## Notes\n"
      "See [a](a.md#x), ![pic](images/p.png) and [web](https://example.org).\n"
      "Not `[code](code.md)`, nor\n\n    [indented](indented.md)\n\n"
      "```\n## Not a heading [fenced](fenced.md)\n```\n"
      "- a list item\n    [continued](continued.md)\n";
  EXPECT_EQ(
      (std::vector<std::string>{"a.md#x", "images/p.png", "https://example.org", "continued.md"}),
      Links(page));
  EXPECT_EQ((std::set<std::string>{"kelvra-guide", "iter-and-the-brake-near-standstill", "notes",
                                   "notes-1"}),
            Anchors(page));
  EXPECT_FALSE(IsRelative("https://example.org"));
  EXPECT_TRUE(IsRelative("../README.md#two-commands"));
}

TEST(DocsTest, ReadmeIsAFrontDoorToTheGuide) {
  const std::string readme = ReadFile(SourceDir() / "README.md");
  EXPECT_LE(readme.size(), 15000u);
  for (const char* command : {"bash scripts/run.sh", "bash scripts/test.sh"}) {
    EXPECT_NE(std::string::npos, readme.find(command)) << command;
  }
  const std::vector<std::string> links = Links(readme);
  EXPECT_NE(links.end(), std::find(links.begin(), links.end(), "docs/index.md"));
}

TEST(DocsTest, IndexLinksEveryPageOfTheGuide) {
  const fs::path docs = SourceDir() / "docs";
  std::set<fs::path> linked;
  for (const std::string& target : Links(ReadFile(docs / "index.md"))) {
    linked.insert((docs / target.substr(0, target.find('#'))).lexically_normal());
  }
  for (const fs::path& page : Pages()) {
    if (page.parent_path() != docs || page.filename() == "index.md") continue;
    EXPECT_EQ(1u, linked.count(page.lexically_normal())) << page << " is not in docs/index.md";
  }
}

TEST(DocsTest, EveryRelativeLinkLeadsToAFileAndAHeading) {
  std::vector<fs::path> pages = Pages();
  pages.push_back(SourceDir() / "bench" / "README.md");
  std::vector<std::string> broken;
  for (const fs::path& page : pages) {
    for (const std::string& target : Links(ReadFile(page))) {
      if (!IsRelative(target)) continue;
      const std::size_t hash = target.find('#');
      const std::string path = target.substr(0, hash);
      const fs::path file = path.empty() ? page : page.parent_path() / path;
      const std::string anchor = hash == std::string::npos ? "" : target.substr(hash + 1);
      if (!fs::exists(file) || (!anchor.empty() && Anchors(ReadFile(file)).count(anchor) == 0)) {
        broken.push_back(fs::relative(page, SourceDir()).string() + ": " + target);
      }
    }
  }
  EXPECT_EQ(std::vector<std::string>{}, broken);
}

// A copy of what a clone holds that the commands use, with no results yet,
// and the program where the build puts it.
void LayFreshCopy(const TempFolder& folder) {
  for (const char* part : {"data", "scripts", "docs"}) {
    fs::copy(SourceDir() / part, folder.Path() / part, fs::copy_options::recursive);
  }
  for (const auto& entry : fs::directory_iterator(folder.Path() / "data" / "results")) {
    if (entry.path().filename() != ".gitkeep") fs::remove_all(entry.path());
  }
  fs::create_directory(folder.Path() / "build");
  fs::create_symlink(testing_support::KelvraBinary(), folder.Path() / "build" / "kelvra");
}

// Each page's blocks run in order, from the root of a fresh copy of its own.
TEST(DocsTest, EveryRunnableBlockRunsAsWritten) {
  if (std::system("command -v gnuplot > /dev/null 2>&1") != 0) {
    GTEST_SKIP() << "gnuplot is not installed";
  }
  std::size_t guideBlocks = 0;
  for (const fs::path& page : Pages()) {
    SCOPED_TRACE(page.string());
    const Runnable runnable = RunnableBlocks(ReadFile(page));
    EXPECT_TRUE(runnable.errors.empty())
        << "a marker without a code block at " << runnable.errors.front();
    if (page.filename() == "README.md") {
      ASSERT_GE(runnable.blocks.size(), 4u);
    } else {
      guideBlocks += runnable.blocks.size();
    }
    if (runnable.blocks.empty()) continue;
    TempFolder folder;
    LayFreshCopy(folder);
    for (std::size_t i = 0; i < runnable.blocks.size(); ++i) {
      folder.Write("block.sh", runnable.blocks[i]);
      const auto run = RunIn(folder.Path(), "bash -e block.sh", "");
      EXPECT_EQ(0, run.exitCode) << "block " << i + 1 << ":\n" << runnable.blocks[i] << run.err;
    }
    if (page.filename() == "README.md") {
      EXPECT_TRUE(folder.Exists("data/results/study_summary.csv"));
      EXPECT_TRUE(folder.Exists("data/results/study_summary_stopping_distance.png"));
    }
  }
  EXPECT_GE(guideBlocks, 1u);
}

}  // namespace
