#include <gtest/gtest.h>

#include <sstream>

#include "linalg/DeferredLog.h"
#include "support/MatrixLiteral.h"

namespace {

using testing_support::Make;

// The same entries written at once into a stream: numbers before a matrix in
// the default format, after it in the matrix's scientific one; a matrix
// changed after it was kept, and a deferred diagnostic, as they were then.
TEST(DeferredLogTest, WritesWhatAStreamWouldHaveHeldAtEachPlace) {
  Matrix m = Make(2, 2, {1.5, -2, 1e-3, 4});
  std::ostringstream stream;
  stream << "|Header\n" << 0.1 << '\t' << 42 << "\n";
  Print(stream, m);
  stream << "error " << 0.1 << "\n" << SumOfAbsolutes(m) << 'x';

  DeferredLog log;
  log << "|Header\n" << 0.1 << '\t' << 42 << "\n";
  log.Print(DeferredLog::Keep(m));
  const DeferredLog::Snapshot kept = DeferredLog::Keep(m);
  log << "error " << 0.1 << "\n";
  log.Defer([kept](std::ostream& out) { out << SumOfAbsolutes(*kept); });
  log << 'x';
  m[0][0] = 100.0;

  EXPECT_EQ(stream.str(), log.Text());
  EXPECT_EQ(log.Text(), log.Text());
  EXPECT_EQ("", DeferredLog().Text());
}

}  // namespace
