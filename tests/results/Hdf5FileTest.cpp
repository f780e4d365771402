// The HDF5 tables, read back with the library as a user's program reads them.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <map>

#include "results/Hdf5File.h"
#include "support/Hdf5Reading.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Hdf5Group;
using testing_support::ReadHdf5Groups;

constexpr std::size_t kRows = 2 * Hdf5Table::kChunkRows + 3;

// Row r of the test table: its time, a number of every awkward kind in turn,
// and a third number only in even rows (odd rows end early and read 0).
double Value(std::size_t row, std::size_t column) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const double awkward[] = {
      -0.0,     std::numeric_limits<double>::quiet_NaN(),  kInf,
      -kInf,    std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::max(),
      1.0 / 3.0};
  if (column == 0) return static_cast<double>(row) * 0.005;
  if (column == 1) return awkward[row % 7];
  return row % 2 == 0 ? -1e-300 * static_cast<double>(row) : 0.0;
}

bool SameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// Rows of every kind, across three chunks, with a flush in the middle of a
// chunk (as a window's frame makes), then a second table and a one-row table:
// every number reads back as the same double, under a name the library takes.
TEST(Hdf5FileTest, TablesReadBackBitForBitAcrossChunksAndFlushes) {
  testing_support::TempFolder folder;
  const fs::path name = folder.Path() / "run.h5";
  Hdf5File file;
  ASSERT_TRUE(file.Create(name.string()));
  Hdf5Table table;
  ASSERT_TRUE(table.Open(file, "series", {{"time", "s"}, {"a/b", "m/s"}, {"50%", "N"}}));
  Hdf5Table other;
  ASSERT_TRUE(other.Open(file, "states", {{".", "rad"}}));
  for (std::size_t r = 0; r < kRows; ++r) {
    const std::size_t numbers = r % 2 == 0 ? 4 : 2;  // one too many, or one short
    for (std::size_t c = 0; c < numbers; ++c) table.Add(Value(r, c));
    table.EndRow();
    if (r == Hdf5Table::kChunkRows + 10) {
      EXPECT_TRUE(table.Flush());
      EXPECT_TRUE(file.Flush());
    }
  }
  other.Add(2.5);
  other.EndRow();
  EXPECT_TRUE(table.Close());
  EXPECT_TRUE(other.Close());
  EXPECT_TRUE(file.WriteRow("summary", {{"peak_speed", "m/s"}, {"stopping_time", "s"}},
                            {14.0425, std::nan("")}));
  ASSERT_TRUE(file.Close());

  std::map<std::string, Hdf5Group> groups;
  ASSERT_TRUE(ReadHdf5Groups(name, groups));
  ASSERT_EQ(3u, groups.size());
  const Hdf5Group& series = groups["series"];
  EXPECT_EQ((std::vector<std::string>{"time", "a/b", "50%"}), series.columns);
  ASSERT_EQ(3u, series.datasets.size());
  const char* const names[] = {"time", "a%2Fb", "50%25"};
  const char* const units[] = {"s", "m/s", "N"};
  for (std::size_t c = 0; c < 3; ++c) {
    const testing_support::Hdf5Column& column = series.datasets[c];
    EXPECT_EQ(names[c], column.name);
    EXPECT_EQ(units[c], column.units);
    ASSERT_EQ(kRows, column.values.size());
    int differing = 0;
    for (std::size_t r = 0; r < kRows; ++r) differing += !SameBits(Value(r, c), column.values[r]);
    EXPECT_EQ(0, differing) << column.name;
  }
  ASSERT_EQ(1u, groups["states"].datasets.size());
  EXPECT_EQ("%2E", groups["states"].datasets[0].name);
  EXPECT_EQ((std::vector<std::string>{"."}), groups["states"].columns);
  EXPECT_EQ(std::vector<double>{2.5}, groups["states"].datasets[0].values);
  const Hdf5Group& summary = groups["summary"];
  ASSERT_EQ(2u, summary.datasets.size());
  EXPECT_EQ(std::vector<double>{14.0425}, summary.datasets[0].values);
  EXPECT_EQ("s", summary.datasets[1].units);
  ASSERT_EQ(1u, summary.datasets[1].values.size());
  EXPECT_TRUE(std::isnan(summary.datasets[1].values[0]));
}

// Root attributes of every kind read back as written: texts in UTF-8, whole
// numbers as integers, numbers to the bit, single values as scalars, lists
// (an empty one too) as lists. A name given twice fails the file.
TEST(Hdf5FileTest, RootAttributesReadBackAsWritten) {
  using Kind = Hdf5Attribute::Kind;
  testing_support::TempFolder folder;
  const fs::path name = folder.Path() / "run.h5";
  std::vector<Hdf5Attribute> attributes(6);
  attributes[0] = {"model.sha256", Kind::kText, false, {"9f86d081\u00e9"}, {}, {}};
  attributes[1] = {"command_line", Kind::kText, true, {"kelvra", "--format", "hdf5"}, {}, {}};
  attributes[2] = {"settings.ITER", Kind::kInteger, false, {}, {-3}, {}};
  attributes[3] = {"sections.GRADIENT", Kind::kNumber, true, {}, {}, {0.1, -0.0, 1.0 / 3.0}};
  attributes[4] = {"batch_sets", Kind::kNumber, true, {}, {}, {}};
  attributes[5] = {"sections_in_force", Kind::kText, true, {}, {}, {}};
  Hdf5File file;
  ASSERT_TRUE(file.Create(name.string()));
  ASSERT_TRUE(file.WriteAttributes(attributes));
  ASSERT_TRUE(file.Close());

  std::map<std::string, testing_support::Hdf5AttributeValue> read;
  ASSERT_TRUE(testing_support::ReadHdf5RootAttributes(name, read));
  ASSERT_EQ(6u, read.size());
  EXPECT_EQ(std::vector<std::string>{"9f86d081\u00e9"}, read["model.sha256"].texts);
  EXPECT_TRUE(read["model.sha256"].scalar);
  EXPECT_EQ(attributes[1].texts, read["command_line"].texts);
  EXPECT_FALSE(read["command_line"].scalar);
  EXPECT_EQ(std::vector<double>{-3.0}, read["settings.ITER"].numbers);
  EXPECT_TRUE(read["settings.ITER"].whole && read["settings.ITER"].scalar);
  const std::vector<double>& gradient = read["sections.GRADIENT"].numbers;
  ASSERT_EQ(3u, gradient.size());
  for (std::size_t i = 0; i < 3; ++i) EXPECT_TRUE(SameBits(attributes[3].numbers[i], gradient[i]));
  EXPECT_FALSE(read["sections.GRADIENT"].whole || read["sections.GRADIENT"].scalar);
  EXPECT_TRUE(read["batch_sets"].numbers.empty());
  EXPECT_FALSE(read["batch_sets"].scalar);
  EXPECT_TRUE(read["sections_in_force"].texts.empty());
  EXPECT_FALSE(read["sections_in_force"].scalar);

  Hdf5File twice;
  ASSERT_TRUE(twice.Create((folder.Path() / "twice.h5").string()));
  EXPECT_FALSE(twice.WriteAttributes({attributes[2], attributes[2]}));
  EXPECT_FALSE(twice.Close());
}

// A file is made anew where a regular file stood; a link, a missing folder
// or a column named twice is refused, and a refused table fails its file.
TEST(Hdf5FileTest, RefusesLinksMissingFoldersAndRepeatedColumns) {
  testing_support::TempFolder folder;
  folder.Write("old.h5", "not an HDF5 file");
  folder.Write("target.txt", "kept");
  fs::create_symlink(folder.Path() / "target.txt", folder.Path() / "link.h5");
  struct Case {
    const char* name;
    bool created;
  };
  for (const Case& c : {Case{"old.h5", true}, Case{"link.h5", false}, Case{"none/run.h5", false}}) {
    Hdf5File file;
    EXPECT_EQ(c.created, file.Create((folder.Path() / c.name).string())) << c.name;
    EXPECT_TRUE(file.Close()) << c.name;
  }
  EXPECT_EQ("kept", folder.Read("target.txt"));
  std::map<std::string, Hdf5Group> groups;
  EXPECT_TRUE(ReadHdf5Groups(folder.Path() / "old.h5", groups));
  EXPECT_TRUE(groups.empty());

  Hdf5File file;
  ASSERT_TRUE(file.Create((folder.Path() / "twice.h5").string()));
  Hdf5Table table;
  EXPECT_FALSE(table.Open(file, "states", {{"Car_Y", "m"}, {"Car_Y", "m"}}));
  EXPECT_FALSE(table.IsOpen());
  table.Add(1.0);
  table.EndRow();
  EXPECT_FALSE(file.Close());
  EXPECT_NE(0, file.ErrorNumber());
}

}  // namespace
