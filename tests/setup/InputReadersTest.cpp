#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "setup/InputReaders.h"
#include "support/TestSupport.h"

namespace {

using testing_support::DataDir;
using testing_support::TempFolder;

using Rows = std::vector<std::vector<double>>;

void ExpectMatrix(const Rows& expected, const Matrix& actual, const std::string& what) {
  ASSERT_EQ(static_cast<int>(expected.size()), actual.num_rows()) << what;
  for (int i = 0; i < actual.num_rows(); ++i) {
    ASSERT_EQ(static_cast<int>(expected[i].size()), actual.num_cols()) << what;
    for (int j = 0; j < actual.num_cols(); ++j) EXPECT_EQ(expected[i][j], actual[i][j]) << what;
  }
}

struct HistoryCase {
  const char* title;
  std::string text;
  bool ok;
  std::string error;  // after "EFD in '<file>': " where a number is at fault
  Rows values;
};

TEST(InputReadersTest, ExternalForceHistory) {
  const HistoryCase cases[] = {
      {"comments and blank runs between the numbers",
       "| demo\nEFD 2\t 3 | shape\n\n 1 2.5e3\n  -3 | end of row\n4 +5 6\n",
       true,
       "",
       {{1, 2500, -3}, {4, 5, 6}}},
      {"a comment line holding the keyword",
       "| EFD 1 1 7\n",
       false,
       "Keyword EFD not found in",
       {}},
      {"a longer word is no keyword", "EFD2 1 1 7\n", false, "Keyword EFD not found in", {}},
      {"no rows", "EFD 0 5\n", true, "", {}},
      {"fewer numbers than announced",
       "EFD 2 3\n1 2 3\n4\n",
       false,
       "6 numbers were announced but only 4 could be read (the text ends there)",
       {}},
      {"a word where a number should be",
       "EFD 2 2\n1 2\n3 x4\n",
       false,
       "4 numbers were announced but only 3 could be read ('x4' is not a number)",
       {}},
      {"a number with trailing letters",
       "EFD 1 2\n1 2kN\n",
       false,
       "2 numbers were announced but only 1 could be read ('2kN' is not a number)",
       {}},
      {"infinity",
       "EFD 2 2\n1 2\n3 inf\n",
       false,
       "the number in row 2, column 2 is not a finite number: 'inf'",
       {}},
      {"not a number",
       "EFD 1 3\n1 nan 3\n",
       false,
       "the number in row 1, column 2 is not a finite number: 'nan'",
       {}},
      {"overflow",
       "EFD 2 1\n1e999\n0\n",
       false,
       "the number in row 1, column 1 is not a finite number: '1e999'",
       {}},
      {"negative rows", "EFD -2 5\n", false, "the row count -2 is negative", {}},
      {"negative columns", "EFD 2 -5\n", false, "the column count -5 is negative", {}},
      {"a count that is no whole number",
       "EFD 2.5 5\n",
       false,
       "the row count '2.5' is not a whole number",
       {}},
      {"a missing count", "EFD 3\n", false, "the column count is missing", {}},
      {"a count beyond any integer",
       "EFD 99999999999999999999 1\n",
       false,
       "the row count 99999999999999999999 is too large",
       {}},
      {"a count beyond the limit",
       "EFD 20000000 0\n",
       false,
       "the row count 20000000 exceeds the limit of 10000000",
       {}},
      {"huge counts with no numbers",
       "EFD 10000000 10000000\n1 2\n",
       false,
       "100000000000000 numbers were announced but only 2 could be read (the text ends there)",
       {}},
      // Refused before ten million rows are allocated for nothing.
      {"rows of no column", "EFD\n10000000 0\n", false, "the 10000000 rows have 0 columns", {}},
      {"a byte-order mark in front",
       "\xEF\xBB\xBF"
       "EFD 1 1\n7\n",
       true,
       "",
       {{7}}},
      // A word is quoted short and printable, however long and whatever its bytes.
      {"a huge binary word",
       "EFD 1 1\n\x01\x1b[2J" + std::string(1000000, '9') + "\n",
       false,
       "1 number was announced but only 0 could be read ('\\x01\\x1B[2J" + std::string(35, '9') +
           "...' is not a number)",
       {}},
  };
  for (const HistoryCase& c : cases) {
    TempFolder folder;
    folder.Write("history.in", c.text);
    const std::string file = (folder.Path() / "history.in").string();
    Matrix history(1, 1, 9.0);
    std::string error;
    EXPECT_EQ(c.ok, ReadExternalForceHistory(file, history, error)) << c.title;
    if (c.ok) {
      EXPECT_EQ("", error) << c.title;
      if (c.values.empty()) {
        EXPECT_EQ(0, history.num_rows()) << c.title;
      } else {
        ExpectMatrix(c.values, history, c.title);
      }
    } else {
      const std::string expected = c.error.rfind("Keyword", 0) == 0
                                       ? c.error + " '" + file + "'"
                                       : "EFD in '" + file + "': " + c.error;
      EXPECT_EQ(expected, error) << c.title;
      ExpectMatrix({{9.0}}, history, c.title);  // left unchanged
    }
  }
}

// What is no regular file is refused by what it is, not by a keyword it lacks.
TEST(InputReadersTest, MissingFile) {
  Matrix history;
  std::string error;
  EXPECT_FALSE(ReadExternalForceHistory("/nonexistent/history.in", history, error));
  EXPECT_EQ("Cannot open '/nonexistent/history.in'", error);
  EXPECT_FALSE(ReadBatchParameterSets("/nonexistent/batch_paramsets.in", history, error));
  EXPECT_EQ("Cannot open '/nonexistent/batch_paramsets.in'", error);
  TempFolder folder;
  EXPECT_FALSE(ReadExternalForceHistory(folder.Path().string(), history, error));
  EXPECT_EQ("'" + folder.Path().string() + "' is not a regular file", error);
  EXPECT_FALSE(ReadExternalForceHistory("/dev/zero", history, error));
  EXPECT_EQ("'/dev/zero' is not a regular file", error);
  double step = 1.0;
  Vector state;
  EXPECT_FALSE(ReadModelFileItems("/nonexistent/model.in", step, state, error));
  EXPECT_EQ("Cannot open '/nonexistent/model.in'", error);
  EXPECT_EQ(1.0, step);
}

TEST(InputReadersTest, BatchParameterSets) {
  struct Case {
    const char* title;
    std::string text;
    std::string error;  // after "BATCH in '<file>': "; empty when the sets are valid
    Rows values;
  };
  const Case cases[] = {
      {"three sets and an extra column",
       "BATCH 3 5\n0.005 3 10 0.05 9\n0.0025 1 5 0.1 9\n"
       "0.01 2.9 1.5 0.02 9\n",
       "",
       {{0.005, 3, 10, 0.05, 9}, {0.0025, 1, 5, 0.1, 9}, {0.01, 2.9, 1.5, 0.02, 9}}},
      {"an empty set list", "BATCH 0 4\n", "", {}},
      {"too few columns",
       "BATCH 1 3\n0.005 3 10\n",
       "the parameter sets need at least 4 columns "
       "(DT ITER SUBD SGNT), found 3",
       {}},
      {"a zero time step",
       "BATCH 2 4\n0.005 3 10 0.05\n0 3 10 0.05\n",
       "set 2 has DT 0, the time step must be positive",
       {}},
      {"a negative iteration count",
       "BATCH 1 4\n0.005 -1 10 0.05\n",
       "set 1 has ITER -1, it must lie between 0 and 10000000",
       {}},
      {"no substep",
       "BATCH 1 4\n0.005 3 0.9 0.05\n",
       "set 1 has SUBD 0.9, it must lie between 1 and 10000000",
       {}},
      // A slip band of 0 drives a wheel at rest; a negative one inverts the slip law.
      {"no slip band",
       "BATCH 1 4\n0.005 3 10 0\n",
       "set 1 has SGNT 0, the slip band's half-width must be at least 2.22507e-308 m/s",
       {}},
      {"a negative slip band",
       "BATCH 1 4\n0.005 3 10 -0.05\n",
       "set 1 has SGNT -0.05, the slip band's half-width must be at least 2.22507e-308 m/s",
       {}},
      {"sets of no column", "BATCH 010000000 0", "the 10000000 rows have 0 columns", {}},
      {"a truncated set",
       "BATCH 2 4\n0.005 3 10 0.05\n0.01\n",
       "8 numbers were announced but only 5 could be read (the text ends there)",
       {}},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    folder.Write("batch_paramsets.in", c.text);
    const std::string file = (folder.Path() / "batch_paramsets.in").string();
    Matrix sets;
    std::string error;
    const bool ok = ReadBatchParameterSets(file, sets, error);
    EXPECT_EQ(c.error.empty(), ok) << c.title;
    if (ok) {
      if (c.values.empty()) {
        EXPECT_EQ(0, sets.num_rows()) << c.title;
        EXPECT_EQ(4, sets.num_cols()) << c.title;
      } else {
        ExpectMatrix(c.values, sets, c.title);
      }
    } else {
      EXPECT_EQ("BATCH in '" + file + "': " + c.error, error) << c.title;
    }
  }
}

// Words after the announced rows are not read; the readers say so, as they were
// probably meant to be rows. Nothing that belongs to the table is named.
TEST(InputReadersTest, WordsAfterTheAnnouncedRowsAreNamed) {
  struct Case {
    const char* text;
    bool batch;
    std::string warning;  // after "<keyword> in '<file>': "
  };
  const Case cases[] = {
      {"EFD 2 2\n1 2\n3 4\n5 6\n7 8\n", false,
       "4 words follow the 2 announced rows and are not read"},
      {"EFD 1 1\n1\nend\n", false, "1 word follows the 1 announced rows and is not read"},
      {"EFD 1 1\n1\n| a comment\n", false, ""},
      {"BATCH 1 4\n0.005 3 10 0.05\n0.01 3 10 0.05\n", true,
       "4 words follow the 1 announced rows and are not read"},
      {"BATCH 1 4\n0.005 3 10 0.05\n", true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TempFolder folder;
    folder.Write("input.in", c.text);
    const std::string file = (folder.Path() / "input.in").string();
    Matrix read;
    std::string error;
    std::string warning;
    ASSERT_TRUE(c.batch ? ReadBatchParameterSets(file, read, error, &warning)
                        : ReadExternalForceHistory(file, read, error, &warning))
        << error;
    const std::string where = std::string(c.batch ? "BATCH" : "EFD") + " in '" + file + "': ";
    EXPECT_EQ(c.warning.empty() ? "" : where + c.warning, warning);
  }
}

// Inputs the fuzzer found: millions of rows announced in a few bytes took
// seconds and hundreds of megabytes before their shape was refused.
TEST(InputReadersTest, FuzzedRowsWithoutColumnsAreRefusedUnallocated) {
  const auto corpus = testing_support::SourceDir() / "fuzz" / "corpus";
  Matrix read;
  std::string error;
  const std::string history = (corpus / "history" / "rows_without_columns.in").string();
  EXPECT_FALSE(ReadExternalForceHistory(history, read, error));
  EXPECT_EQ("EFD in '" + history + "': the 9496699 rows have 0 columns", error);
  const std::string batch = (corpus / "batch" / "sets_without_columns.in").string();
  EXPECT_FALSE(ReadBatchParameterSets(batch, read, error));
  EXPECT_EQ("BATCH in '" + batch + "': the 10000000 rows have 0 columns", error);
}

TEST(InputReadersTest, TimeStepAndInitialState) {
  struct Case {
    const char* title;
    std::string text;
    std::string error;  // empty when the items are valid; "FILE" stands for the file name
    double step;
    std::vector<double> state;
  };
  const Case cases[] = {
      {"both items among other sections",
       "BEGIN\nBODY Y0 1 1 0 0 X\nEND\nDT 0.0025 | step\nITER 3\nY0 3\n1 -2\n3e-1\n",
       "",
       0.0025,
       {1, -2, 0.3}},
      {"an empty initial state", "DT 1\nY0 0\n", "", 1.0, {}},
      {"no DT", "Y0 2 0 0\n", "Keyword DT not found in 'FILE'", 0, {}},
      {"Y0 before DT is not seen",
       "Y0 1 0\nDT 0.005\n",
       "Keyword Y0 not found after DT in 'FILE'",
       0,
       {}},
      {"DT without a value", "DT", "DT in 'FILE': the time step is missing", 0, {}},
      {"DT not a number", "DT fast\nY0 0\n", "DT in 'FILE': 'fast' is not a number", 0, {}},
      {"DT overflowing",
       "DT 1e400\nY0 0\n",
       "DT in 'FILE': the time step is not a finite number: '1e400'",
       0,
       {}},
      {"a zero time step",
       "DT 0\nY0 0\n",
       "DT in 'FILE': the time step must be positive, not 0",
       0,
       {}},
      {"a negative time step",
       "DT -0.005\nY0 0\n",
       "DT in 'FILE': the time step must be positive, not -0.005",
       0,
       {}},
      {"a truncated initial state",
       "DT 0.005\nY0 26\n0 0 0\n",
       "Y0 in 'FILE': 26 numbers were announced but only 3 could be read (the text ends there)",
       0,
       {}},
      {"a negative count",
       "DT 0.005\nY0 -1\n",
       "Y0 in 'FILE': the element count -1 is negative",
       0,
       {}},
      {"an infinite entry",
       "DT 0.005\nY0 3 0 -inf 0\n",
       "Y0 in 'FILE': number 2 is not a finite number: '-inf'",
       0,
       {}},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    folder.Write("model.in", c.text);
    const std::string file = (folder.Path() / "model.in").string();
    double step = -7.0;
    Vector state(2, 5.0);
    std::string error;
    const bool ok = ReadModelFileItems(file, step, state, error);
    EXPECT_EQ(c.error.empty(), ok) << c.title;
    if (ok) {
      EXPECT_EQ(c.step, step) << c.title;
      ASSERT_EQ(static_cast<int>(c.state.size()), state.dim()) << c.title;
      for (int i = 0; i < state.dim(); ++i) EXPECT_EQ(c.state[i], state[i]) << c.title;
    } else {
      std::string expected = c.error;
      expected.replace(expected.find("FILE"), 4, file);
      EXPECT_EQ(expected, error) << c.title;
      EXPECT_EQ(-7.0, step) << c.title;
    }
  }
}

TEST(InputReadersTest, ReadVectorAndReadMatrixOnStreams) {
  std::istringstream text("3 1 2 3  2 2 4 5 6 7  1 x");
  Vector vector(5, 9.0);
  Matrix matrix(2, 2, 9.0);
  std::string error;
  ASSERT_TRUE(ReadVector(text, vector, error));
  ASSERT_EQ(3, vector.dim());
  EXPECT_EQ(3.0, vector[2]);
  ASSERT_TRUE(ReadMatrix(text, matrix, error));
  ExpectMatrix({{4, 5}, {6, 7}}, matrix, "matrix");
  EXPECT_FALSE(ReadVector(text, vector, error));
  EXPECT_EQ("1 number was announced but only 0 could be read ('x' is not a number)", error);
  EXPECT_EQ(3, vector.dim());
}

TEST(InputReadersTest, ShippedInputs) {
  std::string error;
  double step = 0.0;
  Vector state;
  ASSERT_TRUE(
      ReadModelFileItems((DataDir() / "combined_train17_GEN.in").string(), step, state, error))
      << error;
  EXPECT_EQ(0.005, step);
  ASSERT_EQ(26, state.dim());
  EXPECT_EQ(0.0, SumOfAbsolutes(state));

  Matrix history;
  std::string warning;
  ASSERT_TRUE(
      ReadExternalForceHistory((DataDir() / "demo_history.in").string(), history, error, &warning))
      << error;
  EXPECT_EQ("", warning);
  EXPECT_EQ(5, history.num_cols());
  EXPECT_GE(history.num_rows() * 0.005, 60.0);

  Matrix sets;
  ASSERT_TRUE(ReadBatchParameterSets((DataDir() / "batch_paramsets.in").string(), sets, error))
      << error;
  EXPECT_GE(sets.num_rows(), 3);
  EXPECT_EQ(4, sets.num_cols());
}

}  // namespace
