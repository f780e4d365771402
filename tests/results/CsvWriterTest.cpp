// Number text and the CSV writer: every number must read back as exactly the
// double written, and every row added must reach the file, in order, whether
// it waits in a block, is flushed on request or goes out row by row.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "results/CsvWriter.h"
#include "support/TestSupport.h"

namespace {

using testing_support::TempFolder;

std::string Format(double value) {
  char text[kMaxNumberChars];
  return std::string(text, FormatNumber(text, value));
}

// The text read back by the C library, bit for bit the same double.
void ExpectReadsBack(double value) {
  const std::string text = Format(value);
  ASSERT_LE(text.size(), kMaxNumberChars);
  char* end = nullptr;
  const double back = std::strtod(text.c_str(), &end);
  EXPECT_EQ('\0', *end) << text;
  EXPECT_EQ(0, std::memcmp(&value, &back, sizeof value)) << text << " from " << value;
}

// Zero keeps its sign and whole numbers stay plain integers up to 2^53; beyond
// that, and for every fraction, the text is the shortest exact form.
TEST(CsvWriterTest, NumbersHaveTheirShortestExactText) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0.0, "0"},
      {-0.0, "-0"},
      {25000.0, "25000"},
      {-7.0, "-7"},
      {100000.0, "100000"},
      {9007199254740991.0, "9007199254740991"},
      {9007199254740992.0, "9007199254740992"},
      {1e22, "1e+22"},
      {0.005, "0.005"},
      {0.1 + 0.2, "0.30000000000000004"},
      {-13.954, "-13.954"},
      {5e-324, "5e-324"},
      {std::numeric_limits<double>::infinity(), "inf"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.text, Format(c.value));
    if (std::isfinite(c.value)) ExpectReadsBack(c.value);
  }
}

TEST(CsvWriterTest, EveryBitPatternReadsBack) {
  std::mt19937_64 random(2024);
  const double extremes[] = {DBL_MAX,
                             -DBL_MAX,
                             DBL_MIN,
                             -DBL_MIN,
                             DBL_EPSILON,
                             1.0 / 3.0,
                             std::nextafter(9007199254740992.0, 0.0),
                             4503599627370495.5};
  for (const double value : extremes) ExpectReadsBack(value);
  for (int k = 0; k < 200000; ++k) {
    const std::uint64_t bits = random();
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value)) continue;
    ExpectReadsBack(value);
    // Values of the size a vehicle run produces, many of them whole numbers.
    ExpectReadsBack(std::ldexp(static_cast<double>(bits >> 11), -40));
    ExpectReadsBack(std::round(std::ldexp(static_cast<double>(bits >> 11), -30)));
    if (HasFailure()) return;
  }
}

// The numbers of every row of a file, as written.
std::vector<std::vector<double>> ReadRows(const std::string& text, std::string& header) {
  std::istringstream lines(text);
  std::getline(lines, header);
  std::vector<std::vector<double>> rows;
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<double> row;
    std::istringstream cells(line);
    std::string cell;
    while (std::getline(cells, cell, ',')) row.push_back(std::strtod(cell.c_str(), nullptr));
    rows.push_back(row);
  }
  return rows;
}

// Row r of the table the tests write: {r, r / 7, -r * 1e-9}.
std::vector<double> TableRow(int r) {
  return {static_cast<double>(r), r / 7.0, -r * 1e-9};
}

// Full blocks, a partial one, several rounds of the block ring: every row
// arrives in order, also after flushes in between.
TEST(CsvWriterTest, RowsArriveInOrderAcrossBlocks) {
  const int blockRows = static_cast<int>(CsvWriter::kRowsPerBlock);
  const int counts[] = {0, 1, blockRows - 1, blockRows,
                        3 * static_cast<int>(CsvWriter::kBlockCount) * blockRows + 7};
  for (const bool flushEveryRow : {false, true}) {
    for (const int count : counts) {
      SCOPED_TRACE(std::to_string(count) + (flushEveryRow ? " flushed every row" : ""));
      TempFolder folder;
      const std::string file = (folder.Path() / "t.csv").string();
      CsvWriter writer;
      ASSERT_TRUE(writer.Open(file, {"a", "b", "c"}, flushEveryRow));
      EXPECT_EQ(3u, writer.ColumnCount());
      for (int r = 0; r < count; ++r) {
        for (const double value : TableRow(r)) writer.Add(value);
        writer.EndRow();
        if (r == count / 2) {
          EXPECT_TRUE(writer.Flush());
        }
      }
      EXPECT_TRUE(writer.Close());
      std::string header;
      const auto rows = ReadRows(folder.Read("t.csv"), header);
      EXPECT_EQ("a,b,c", header);
      ASSERT_EQ(static_cast<std::size_t>(count), rows.size());
      for (int r = 0; r < count; ++r) ASSERT_EQ(TableRow(r), rows[r]) << "row " << r;
    }
  }
}

// What is on disk after Flush, and after every row when asked for, while the
// writer stays open.
TEST(CsvWriterTest, FlushedRowsAreOnDiskWhileOpen) {
  for (const bool flushEveryRow : {false, true}) {
    SCOPED_TRACE(flushEveryRow);
    TempFolder folder;
    CsvWriter writer;
    ASSERT_TRUE(writer.Open((folder.Path() / "t.csv").string(), {"x"}, flushEveryRow));
    EXPECT_EQ("x\n", folder.Read("t.csv"));
    writer.Add(1.5);
    writer.EndRow();
    if (!flushEveryRow) {
      EXPECT_TRUE(writer.Flush());
    }
    EXPECT_EQ("x\n1.5\n", folder.Read("t.csv"));
    writer.Add(-2);
    writer.EndRow();
    if (!flushEveryRow) {
      EXPECT_TRUE(writer.Flush());
    }
    EXPECT_EQ("x\n1.5\n-2\n", folder.Read("t.csv"));
  }
}

// A row short of numbers is completed with zeros, one with too many is cut;
// an unopenable file leaves a writer that ignores everything; a writer can be
// opened again on another file.
TEST(CsvWriterTest, ShortAndLongRowsUnopenableFilesAndReopening) {
  TempFolder folder;
  CsvWriter writer;
  EXPECT_FALSE(writer.Open((folder.Path() / "missing" / "t.csv").string(), {"a", "b"}));
  EXPECT_FALSE(writer.IsOpen());
  writer.Add(1.0);
  writer.EndRow();
  EXPECT_TRUE(writer.Flush());
  EXPECT_TRUE(writer.Close());

  ASSERT_TRUE(writer.Open((folder.Path() / "first.csv").string(), {"a", "b"}));
  writer.Add(1.0);
  writer.EndRow();
  for (const double value : {2.0, 3.0, 4.0}) writer.Add(value);
  writer.EndRow();
  ASSERT_TRUE(writer.Open((folder.Path() / "second.csv").string(), {"c"}));
  writer.Add(5.0);
  writer.EndRow();
  EXPECT_TRUE(writer.Close());
  EXPECT_FALSE(writer.IsOpen());
  EXPECT_EQ("a,b\n1,0\n2,3\n", folder.Read("first.csv"));
  EXPECT_EQ("c\n5\n", folder.Read("second.csv"));
}

}  // namespace
