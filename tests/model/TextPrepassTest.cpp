#include <gtest/gtest.h>

#include <sstream>

#include "model/TextPrepass.h"

namespace {

std::string Strip(const std::string& text) {
  std::istringstream in(text);
  std::ostringstream out;
  StripComments(in, out);
  return out.str();
}

std::string StripKeepBlank(const std::string& text) {
  std::istringstream in(text);
  std::ostringstream out;
  StripCommentsKeepBlank(in, out);
  return out.str();
}

struct PrepassCase {
  const char* input;
  const char* stripped;
  const char* keptBlank;
};

TEST(TextPrepassTest, CommentsAndBlankRuns) {
  const PrepassCase cases[] = {
      {"BODY  B1\t 1000", "BODY\tB1\t1000", "BODY B1 1000"},
      {"A \tB", "A\tB", "A\tB"},
      {"A  \n  B", "A\nB", "A\nB"},
      {"A\n\nB\n", "A\n\nB\n", "A\n\nB\n"},
      {"A | comment\nB", "A\nB", "A\nB"},
      {"A|comment", "A\n", "A\n"},
      {"| only a comment\nB", "\nB", "\nB"},
      {"  lead", "\tlead", " lead"},
      {"A   |c1\n  |c2\nB", "A\n\nB", "A\n\nB"},
      {"1 2 3 \r\n4", "1\t2\t3\n4", "1 2 3\n4"},
      {"x \t", "x\t", "x\t"},
  };
  for (const PrepassCase& c : cases) {
    EXPECT_EQ(c.stripped, Strip(c.input)) << "input: " << c.input;
    EXPECT_EQ(c.keptBlank, StripKeepBlank(c.input)) << "input: " << c.input;
  }
}

TEST(TextPrepassTest, FindKeywordMatchesWholeWordsOnly) {
  std::istringstream text("EFD2 xEFD EFD 7");
  ASSERT_TRUE(FindKeyword(text, "EFD"));
  int value = 0;
  text >> value;
  EXPECT_EQ(7, value);

  std::istringstream missing("EFD2 efd");
  EXPECT_FALSE(FindKeyword(missing, "EFD"));
}

TEST(TextPrepassTest, KeywordInsideACommentIsNotFound) {
  std::istringstream in("| EFD 2 2 1 2 3 4\nBATCH");
  std::stringstream clean;
  StripCommentsKeepBlank(in, clean);
  EXPECT_FALSE(FindKeyword(clean, "EFD"));
}

TEST(TextPrepassTest, ReadLineSkipsEmptyLinesAndSplitsWords) {
  std::istringstream text(Strip("\n\n  BODY B1  1 | c\n\nEND"));
  std::vector<std::string> words;
  ASSERT_TRUE(ReadLine(text, words));
  EXPECT_EQ((std::vector<std::string>{"BODY", "B1", "1"}), words);
  ASSERT_TRUE(ReadLine(text, words));
  EXPECT_EQ((std::vector<std::string>{"END"}), words);
  EXPECT_FALSE(ReadLine(text, words));
  EXPECT_TRUE(words.empty());
}

TEST(TextPrepassTest, ParseDoubleTakesALeadingNumber) {
  struct Case {
    const char* word;
    bool ok;
    double value;
  };
  const Case cases[] = {{"2.5e3", true, 2500.0}, {"12kg", true, 12.0}, {"-0.5", true, -0.5},
                        {"+7", true, 7.0},       {"kg12", false, 0.0}, {"1e999", false, 0.0},
                        {".", false, 0.0}};
  for (const Case& c : cases) {
    double value = 0.0;
    EXPECT_EQ(c.ok, ParseDouble(c.word, value)) << c.word;
    if (c.ok) {
      EXPECT_EQ(c.value, value) << c.word;
    }
  }
}

// A word quoted in a message never floods the console or reaches it raw.
TEST(TextPrepassTest, QuotedExcerptIsShortAndPrintable) {
  const std::string forty(40, 'x');
  EXPECT_EQ("'2.7'", QuotedExcerpt("2.7"));
  EXPECT_EQ("''", QuotedExcerpt(""));
  EXPECT_EQ("'" + forty + "'", QuotedExcerpt(forty));
  EXPECT_EQ("'" + forty + "...'", QuotedExcerpt(forty + "y" + std::string(1000000, 'z')));
  EXPECT_EQ("'1\\x01\\x1B[31m\\xFF\\x00'", QuotedExcerpt(std::string("1\x01\x1b[31m\xff\0", 9)));
}

}  // namespace
