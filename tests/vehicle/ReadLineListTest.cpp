#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "CleanedText.h"
#include "model/TextPrepass.h"
#include "vehicle/ParameterReader.h"

namespace {

TEST(ReadLineListTest, ReadsFromTheNextNumberToTheEndOfItsLine) {
  struct Case {
    const char* text;
    std::vector<double> list;
    bool good;
    const char* rest;  // the next word after the list
  };
  const Case cases[] = {
      {"KEY 1 2.5 -3e2\nNEXT", {1, 2.5, -300}, true, "NEXT"},
      {"KEY\n\n   4 5\n6\nNEXT", {4, 5}, true, "6"},
      {"KEY 1 2 | 3 4\n5", {1, 2}, true, "5"},  // a comment ends the line
      {"KEY 1 2\t \n", {1, 2}, true, ""},
      {"KEY 1 x 3\n", {1, 0}, false, ""},  // a failed number is appended and stops
      {"KEY 1 2", {1, 2}, false, ""},      // no line end: not read
  };
  for (const Case& c : cases) {
    std::stringstream in = Cleaned(c.text);
    FindKeyword(in, "KEY");
    std::vector<double> list{99};
    ReadLineList(in, list);
    EXPECT_EQ(c.list, list) << c.text;
    EXPECT_EQ(c.good, in.good()) << c.text;
    std::string next;
    in >> next;
    EXPECT_EQ(c.rest, next) << c.text;
  }
}

TEST(ReadLineListTest, ReadsIndexLists) {
  std::stringstream in = Cleaned("SETIDX 2\n0 1 1 0\nWHLTMP");
  unsigned unused = 0;
  FindKeyword(in, "SETIDX") >> unused;
  std::vector<unsigned> indices;
  ReadLineList(in, indices);
  EXPECT_EQ((std::vector<unsigned>{0, 1, 1, 0}), indices);
  EXPECT_TRUE(in.good());
}

TEST(ReadLineListTest, FailedStreamGivesAnEmptyList) {
  std::stringstream in = Cleaned("1 2\n");
  FindKeyword(in, "MISSING");
  std::vector<double> list{1, 2};
  ReadLineList(in, list);
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(in.fail());
}

}  // namespace
