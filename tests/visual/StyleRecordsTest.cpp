#include <gtest/gtest.h>

#include <sstream>

#include "visual/StyleRecords.h"

namespace {

std::vector<std::string> Split(const std::string& line) {
  std::istringstream stream(line);
  std::vector<std::string> words;
  std::string word;
  while (stream >> word) words.push_back(word);
  return words;
}

template <typename Style>
bool TryRead(const std::vector<std::string>& words, std::string& log, bool& valid) {
  if (words[0] != Style::kKeyword) return false;
  Style style;
  valid = ReadStyle(words, style, log);
  return true;
}

// Reads a line with the reader its keyword selects.
bool ReadAny(const std::string& line, std::string& log) {
  const std::vector<std::string> words = Split(line);
  bool valid = false;
  const bool known =
      TryRead<PointStyle>(words, log, valid) || TryRead<LineStyle>(words, log, valid) ||
      TryRead<SpringStyle>(words, log, valid) || TryRead<DamperStyle>(words, log, valid) ||
      TryRead<ArrowStyle>(words, log, valid) || TryRead<DiskStyle>(words, log, valid) ||
      TryRead<EllipseStyle>(words, log, valid) || TryRead<RectangleStyle>(words, log, valid) ||
      TryRead<ImageStyle>(words, log, valid);
  EXPECT_TRUE(known) << line;
  return valid;
}

struct MessageCase {
  const char* line;
  bool valid;
  const char* log;
};

TEST(StyleRecordsTest, MessagesOfTheFamily) {
  const MessageCase cases[] = {
      {"POINT p 10 0 0 0 1", true, ""},
      {"POINT p 10.5 0 0 0 1", false, "Error - Invalid value for pointsize in Point 'p'!\n"},
      {"POINT p -0.5 0 0 0 1", false, "Error - Invalid value for pointsize in Point 'p'!\n"},
      {"POINT p 3kg 0 0 0 1", true, ""},
      {"POINT", false,
       "Error - A Point has no name!\n"
       "Error - Point 'noname' has no pointsize information!\n"
       "Error - Point 'noname' has no fillColor (float[4]) information!\n"},
      {"POINT p 3 1 1 1", false, "Error - Point 'p' has no fillColor (float[4]) information!\n"},
      {"LINE l 11 0.5 1.5 0.5 -1", false,
       "Error - Invalid value for line width in Line 'l'!\n"
       "Error - Invalid value for lineColor(Green) in Line 'l'!\n"
       "Error - Invalid value for lineColor(Alpha) in Line 'l'!\n"},
      {"LINE l 1 red 2 0 1", false,
       "Error - Cannot convert lineColor from string[4] to float[4] in Line 'l'!\n"
       "Error - Invalid value for lineColor(Green) in Line 'l'!\n"},
      {"SPRING s 1 2.5 2 1 1 1 1", true, ""},
      {"SPRING s 1 -1 2 1 1 1 1", false, "Error - Invalid value for subdivision in Spring 's'!\n"},
      // Subdivisions are drawn every frame: a few hundred make a smooth circle,
      // billions would stall the window.
      {"SPRING s 1 1000 2 1 1 1 1", true, ""},
      {"SPRING s 1 2000000000 2 1 1 1 1", false,
       "Error - Invalid value for subdivision in Spring 's'!\n"},
      {"DISK d 1 1001 2 1 1 1 1 0 0 0 1", false,
       "Error - Invalid value for subdivision in Disk 'd'!\n"},
      {"ELLIPSE e 2 1 0 2147483647 2 0 0 0 0 1 1 1 0", false,
       "Error - Invalid value for subdivision in Ellipse 'e'!\n"},
      {"SPRING s", false,
       "Error - Spring 's' has no width information!\n"
       "Error - Spring 's' has no subdivision information!\n"
       "Error - Spring 's' has no line width information!\n"
       "Error - Spring 's' has no lineColor (float[4]) information!\n"},
      {"DAMPER d 1 long 2 1 1 1 1", false,
       "Error - Cannot convert end length from string to float in Damper 'd'!\n"},
      {"DAMPER d -1 1 2 1 1 1 1", false, "Error - Invalid value for width in Damper 'd'!\n"},
      {"ARROW a 1 1 2 1 0 0 0 1", true, "Warning - Invalid value for filled in Arrow 'a'!\n"},
      {"ARROW a 1 1 yes 1 0 0 0 1", false,
       "Error - Cannot convert filled from string to integer (0 or 1) in Arrow 'a'!\n"},
      {"ARROW a 1 1", false,
       "Error - Arrow 'a' has no filled information!\n"
       "Error - Arrow 'a' has no line width information!\n"
       "Error - Arrow 'a' has no lineColor (float[4]) information!\n"},
      {"DISK d 1 10 2 1 1 1 1 0 0 0", false,
       "Error - Disk 'd' has no fillColor (float[4]) information!\n"},
      {"DISK d 1 many 2 1 1 1 1 0 0 0 1", false,
       "Error - Cannot convert subdivision from string to integer in Disk 'd'!\n"},
      {"DISK d -1 10 2 1 1 1 1 0 0 0 1", false, "Error - Invalid value for radius in Disk 'd'!\n"},
      {"ELLIPSE e -2 -1 0 10 2 0 0 0 0 1 1 1 0", false,
       "Error - Invalid value for semi-major axis in Ellipse 'e'!\n"
       "Error - Invalid value for semi-minor axis in Ellipse 'e'!\n"},
      {"ELLIPSE e 2 1 0 10 2 0 0 0 0 1 1 1 0 x y z", true,
       "Warning - Ellipse 'e' has more parameters, than needed. Words: 'x', 'y', 'z' are not "
       "used!\n"},
      {"RECTANGLE r -2 -1 -3 -0.5 45 1 0 0 0 1 1 1 1 1", true, ""},
      {"RECTANGLE r a 1 1 1 0 1 0 0 0 1 1 1 1 2", false,
       "Error - Cannot convert left extent from string to float in Rectangle 'r'!\n"
       "Error - Invalid value for fillColor(Alpha) in Rectangle 'r'!\n"},
      {"RECTANGLE r 1 1 1 1 turn 1 0 0 0 1 1 1 1 1", false,
       "Error - Cannot convert rotation angle from string to float in Rectangle 'r'!\n"},
      {"IMAGE i -1 1 -1 1 0 pic.png extra", true,
       "Warning - Image 'i' has more parameters, than needed. Word: 'extra' is not used!\n"},
      {"IMAGE i 0 1 0 1 0", false, "Error - Image 'i' has no file path information!\n"},
      {"IMAGE", false,
       "Error - An Image has no name!\n"
       "Error - Image 'noname' has no left extent information!\n"
       "Error - Image 'noname' has no right extent information!\n"
       "Error - Image 'noname' has no bottom extent information!\n"
       "Error - Image 'noname' has no top extent information!\n"
       "Error - Image 'noname' has no rotation angle information!\n"
       "Error - Image 'noname' has no file path information!\n"},
      {"IMAGE i 0 1 0 1 0 a.png b c", true,
       "Warning - Image 'i' has more parameters, than needed. Words: 'b', 'c' are not used!\n"},
  };
  for (const MessageCase& c : cases) {
    std::string log;
    EXPECT_EQ(c.valid, ReadAny(c.line, log)) << c.line;
    EXPECT_EQ(c.log, log) << c.line;
  }
}

TEST(StyleRecordsTest, MissingNameUsesTheKindsArticle) {
  const std::pair<const char*, const char*> cases[] = {
      {"POINT", "Error - A Point has no name!\n"},
      {"LINE", "Error - A Line has no name!\n"},
      {"SPRING", "Error - A Spring has no name!\n"},
      {"DAMPER", "Error - A Damper has no name!\n"},
      {"ARROW", "Error - An Arrow has no name!\n"},
      {"DISK", "Error - A Disk has no name!\n"},
      {"ELLIPSE", "Error - An Ellipse has no name!\n"},
      {"RECTANGLE", "Error - A Rectangle has no name!\n"},
      {"IMAGE", "Error - An Image has no name!\n"},
  };
  for (const auto& [line, firstMessage] : cases) {
    std::string log;
    EXPECT_FALSE(ReadAny(line, log));
    EXPECT_EQ(firstMessage, log.substr(0, std::string(firstMessage).size())) << line;
  }
}

template <typename Style>
Style Read(const std::string& line, bool& valid) {
  Style style;
  std::string log;
  valid = ReadStyle(Split(line), style, log);
  return style;
}

// Complete lines with distinct values: every value lands in its own field.
TEST(StyleRecordsTest, ValuesFillTheFieldsInFileOrder) {
  bool valid = false;
  const Rgba a = {0.1f, 0.2f, 0.3f, 0.4f};
  const Rgba b = {0.5f, 0.6f, 0.7f, 0.8f};
  EXPECT_EQ((PointStyle{"P", 4, a}), Read<PointStyle>("POINT P 4 0.1 0.2 0.3 0.4", valid));
  EXPECT_TRUE(valid);
  EXPECT_EQ((LineStyle{"L", 3, b}), Read<LineStyle>("LINE L 3 0.5 0.6 0.7 0.8", valid));
  EXPECT_EQ((SpringStyle{"S", 0.3f, 7, 1.5f, a}),
            Read<SpringStyle>("SPRING S 0.3 7.9 1.5 0.1 0.2 0.3 0.4", valid));
  EXPECT_EQ((DamperStyle{"D", 0.4f, 0.6f, 2.5f, b}),
            Read<DamperStyle>("DAMPER D 0.4 0.6 2.5 0.5 0.6 0.7 0.8", valid));
  EXPECT_EQ((ArrowStyle{"A", 0.2f, 0.3f, true, 4, a}),
            Read<ArrowStyle>("ARROW A 0.2 0.3 1 4 0.1 0.2 0.3 0.4", valid));
  EXPECT_EQ((DiskStyle{"K", 0.5f, 12, 3, a, b}),
            Read<DiskStyle>("DISK K 0.5 12 3 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8", valid));
  EXPECT_EQ((EllipseStyle{"E", 3, 2, 30, 16, 1, a, b}),
            Read<EllipseStyle>("ELLIPSE E 3 2 30 16 1 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8", valid));
  EXPECT_EQ(
      (RectangleStyle{"R", -2, 3, -4, 5, 15, 6, a, b}),
      Read<RectangleStyle>("RECTANGLE R -2 3 -4 5 15 6 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8", valid));
  EXPECT_EQ((ImageStyle{"I", -1, 2, -3, 4, 90, "textures/car.png"}),
            Read<ImageStyle>("IMAGE I -1 2 -3 4 90 textures/car.png", valid));
  EXPECT_TRUE(valid);
}

// A value that is missing, unreadable or out of range leaves its field at the
// default; the fields around it are still read.
TEST(StyleRecordsTest, FailedValuesKeepTheirDefaults) {
  const Rgba white = {1.0f, 1.0f, 1.0f, 1.0f};
  bool valid = true;
  EXPECT_EQ((DiskStyle{"d", 0.5f, 12, 3, {0.1f, 0.2f, 0.3f, 0.4f}, {0, 0, 0, 1}}),
            Read<DiskStyle>("DISK d 0.5 12 3 0.1 0.2 0.3 0.4 1 1 1", valid));
  EXPECT_FALSE(valid);
  EXPECT_EQ((PointStyle{"p", 2, white}), Read<PointStyle>("POINT p 10.5 0 0.5 2 1", valid));
  EXPECT_EQ((SpringStyle{"s", 1, 10, 1, white}),
            Read<SpringStyle>("SPRING s x -3 1 1 1 x 1", valid));

  // `filled` outside 0 and 1 only warns and stays false; so does a missing one.
  EXPECT_EQ((ArrowStyle{"a", 2, 3, false, 1, {0, 0, 0, 1}}),
            Read<ArrowStyle>("ARROW a 2 3 2 1 0 0 0 1", valid));
  EXPECT_TRUE(valid);
  EXPECT_EQ((ArrowStyle{"a", 2, 3}), Read<ArrowStyle>("ARROW a 2 3", valid));
  EXPECT_EQ(ImageStyle{}, Read<ImageStyle>("IMAGE", valid));
  EXPECT_FALSE(valid);
}

}  // namespace
