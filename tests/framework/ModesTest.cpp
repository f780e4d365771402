// --modes: the modes of the linear model and of the vehicle with rolling
// wheels. The linear set is checked against the eigenvalues the simulation
// module's log prints; the rolling set against the characteristic equation
// det(lambda^2 M' + lambda D + S) = 0 with each wheel's reduced mass added to
// its wheelset, solved here in complex arithmetic of the test's own; a wagon
// whose modes have closed forms checks both sets, their shapes and the
// frequency its rolling run shows.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "model/Components.h"
#include "model/ModelCreation.h"

namespace {

using namespace program_run;
using testing_support::RunIn;
using testing_support::TempFolder;
using Complex = std::complex<double>;

constexpr double kTwoPi = 2.0 * std::numbers::pi;

struct ModeRow {
  std::string set;
  int mode = 0;
  double damped = 0.0;   // Hz
  double natural = 0.0;  // Hz
  double ratio = 0.0;    // NaN for an empty cell
  std::string shape;
  bool Rigid() const { return shape.starts_with("rigid body: "); }
  // The eigenvalue with the non-negative imaginary part.
  Complex Lambda() const { return kTwoPi * Complex(-ratio * natural, damped); }
};

std::vector<ModeRow> ReadModes(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ("set,mode,damped_frequency_hz,natural_frequency_hz,damping_ratio,shape", line);
  std::vector<ModeRow> rows;
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::size_t from = 0;
    for (int k = 0; k < 5; ++k) {
      const std::size_t comma = line.find(',', from);
      cells.push_back(line.substr(from, comma - from));
      from = comma == std::string::npos ? line.size() : comma + 1;
    }
    ModeRow row{cells[0],
                std::stoi(cells[1]),
                std::stod(cells[2]),
                std::stod(cells[3]),
                cells[4].empty() ? std::nan("") : std::stod(cells[4]),
                line.substr(from)};
    rows.push_back(row);
  }
  return rows;
}

std::vector<ModeRow> RowsOf(const std::vector<ModeRow>& rows, const std::string& set) {
  std::vector<ModeRow> chosen;
  for (const ModeRow& row : rows) {
    if (row.set == set) chosen.push_back(row);
  }
  return chosen;
}

// Every eigenvalue the rows stand for: a complex pair twice, a rigid-body mode
// as the double zero of a free body.
std::vector<Complex> Eigenvalues(const std::vector<ModeRow>& rows) {
  std::vector<Complex> values;
  for (const ModeRow& row : rows) {
    if (row.Rigid()) {
      values.insert(values.end(), 2, Complex());
      continue;
    }
    values.push_back(row.Lambda());
    if (row.damped > 0.0) values.push_back(std::conj(row.Lambda()));
  }
  return values;
}

// The block-diagonal D as the simulation module's log prints it.
std::vector<Complex> LogEigenvalues(const std::string& log) {
  const std::string header = "\n|Block-diagonal eigenvalue matrix of system matrix: D\n";
  const std::size_t at = log.find(header);
  EXPECT_NE(std::string::npos, at);
  std::istringstream in(log.substr(at + header.size()));
  int size = 0;
  in >> size >> size;
  std::vector<std::vector<double>> d(size, std::vector<double>(size));
  for (auto& row : d) {
    for (double& value : row) in >> value;
  }
  std::vector<Complex> values;
  for (int i = 0; i < size; ++i) {
    if (i + 1 < size && d[i][i + 1] != 0.0) {
      values.emplace_back(d[i][i], d[i][i + 1]);
      values.emplace_back(d[i][i], -d[i][i + 1]);
      ++i;
    } else {
      values.emplace_back(d[i][i], 0.0);
    }
  }
  return values;
}

void SortEigenvalues(std::vector<Complex>& values) {
  std::sort(values.begin(), values.end(), [](Complex x, Complex y) {
    return x.real() != y.real() ? x.real() < y.real() : x.imag() < y.imag();
  });
}

using ComplexMatrix = std::vector<std::vector<Complex>>;

// tr(Q^-1 R) by Gaussian elimination with partial pivoting on [Q | R].
Complex TraceOfSolution(ComplexMatrix q, ComplexMatrix r) {
  const std::size_t n = q.size();
  for (std::size_t l = 0; l < n; ++l) {
    std::size_t pivot = l;
    for (std::size_t m = l + 1; m < n; ++m) {
      if (std::abs(q[m][l]) > std::abs(q[pivot][l])) pivot = m;
    }
    std::swap(q[l], q[pivot]);
    std::swap(r[l], r[pivot]);
    for (std::size_t m = l + 1; m < n; ++m) {
      const Complex f = q[m][l] / q[l][l];
      for (std::size_t j = l; j < n; ++j) q[m][j] -= f * q[l][j];
      for (std::size_t j = 0; j < n; ++j) r[m][j] -= f * r[l][j];
    }
  }
  ComplexMatrix x(n, std::vector<Complex>(n));
  for (std::size_t k = n; k-- > 0;) {
    for (std::size_t j = 0; j < n; ++j) {
      Complex sum = r[k][j];
      for (std::size_t i = k + 1; i < n; ++i) sum -= q[k][i] * x[i][j];
      x[k][j] = sum / q[k][k];
    }
  }
  Complex trace = 0.0;
  for (std::size_t k = 0; k < n; ++k) trace += x[k][k];
  return trace;
}

// The mechanics M q'' + D q' + S q = 0 with a diagonal M.
struct Mechanics {
  std::vector<double> mass;
  Matrix damping;
  Matrix stiffness;

  // The Newton step on det(lambda^2 M + lambda D + S) from `lambda`:
  // -1 / tr(Q^-1 Q') with Q' = 2 lambda M + D. Near a root it is the distance
  // to it; at the root itself it vanishes.
  Complex NewtonStep(Complex lambda) const {
    const std::size_t n = mass.size();
    ComplexMatrix q(n, std::vector<Complex>(n));
    ComplexMatrix slope(n, std::vector<Complex>(n));
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = 0; j < n; ++j) {
        const int a = static_cast<int>(i);
        const int b = static_cast<int>(j);
        const double m = i == j ? mass[i] : 0.0;
        q[i][j] = lambda * lambda * m + lambda * damping[a][b] + stiffness[a][b];
        slope[i][j] = 2.0 * lambda * m + damping[a][b];
      }
    }
    const Complex trace = TraceOfSolution(q, slope);
    return std::isfinite(std::abs(trace)) ? -1.0 / trace : Complex();
  }
  // The sums of the 2n eigenvalues and of their squares: the traces of the
  // first-order system matrix [[P, Q], [I, 0]] (P = -M^-1 D, Q = -M^-1 S)
  // and of its square, tr(P^2) + 2 tr(Q).
  double EigenvalueSum() const {
    double sum = 0.0;
    for (std::size_t j = 0; j < mass.size(); ++j) {
      sum -= damping[static_cast<int>(j)][static_cast<int>(j)] / mass[j];
    }
    return sum;
  }
  double SquareSum() const {
    double sum = 0.0;
    for (std::size_t j = 0; j < mass.size(); ++j) {
      const int a = static_cast<int>(j);
      sum -= 2.0 * stiffness[a][a] / mass[j];
      for (std::size_t k = 0; k < mass.size(); ++k) {
        const int b = static_cast<int>(k);
        sum += damping[a][b] / mass[j] * damping[b][a] / mass[k];
      }
    }
    return sum;
  }
};

// The shipped vehicle's mechanics, with `wheelMass` added to each wheelset's
// longitudinal freedom.
Mechanics ShippedMechanics(double wheelMass) {
  ModelCreation model;
  EXPECT_TRUE(
      model.CreateComponents((testing_support::DataDir() / "combined_train17_GEN.in").string()));
  EXPECT_TRUE(model.CalculateBasicMatrices());
  const ComponentManager& components = model.Components();
  Mechanics mechanics{{}, model.GetMatrix('D'), model.GetMatrix('S')};
  const Matrix& mass = model.GetMatrix('M');
  for (std::size_t j = 0; j < components.Dofs().size(); ++j) {
    const std::string name = DofName(components.Bodies(), components.Dofs()[j]);
    const bool wheelset = name.starts_with("Wheelset") && name.ends_with("_X");
    const int a = static_cast<int>(j);
    mechanics.mass.push_back(mass[a][a] + (wheelset ? wheelMass : 0.0));
  }
  return mechanics;
}

// A console run of the shipped vehicle with --modes and the module logs, made
// once for the tests of the suite that run in one process.
class ShippedModesTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write("h.in", RampHistory(20));
    const auto run = RunIn(folder.Path(),
                           KelvraCommand("--console --modes --log-dir logs --history h.in"), "\n");
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ("", run.err);
    for (const std::string& name : ResultFiles(folder)) {
      if (name.ends_with("_modes.csv")) modes = ReadModes(folder.Read("results/" + name));
    }
    simulationLog = folder.Read("logs/simulation_module.log");
  }

  static std::vector<ModeRow> modes;
  static std::string simulationLog;
};

std::vector<ModeRow> ShippedModesTest::modes;
std::string ShippedModesTest::simulationLog;

// The log's D holds the double zero of the free longitudinal motion as a
// tiny pair; every other eigenvalue is one of the linear rows'.
TEST_F(ShippedModesTest, LinearSetIsTheLogsEigenvalues) {
  const std::vector<ModeRow> linear = RowsOf(modes, "linear");
  std::vector<Complex> expected = LogEigenvalues(simulationLog);
  std::vector<Complex> actual = Eigenvalues(linear);
  ASSERT_EQ(26u, expected.size());
  ASSERT_EQ(expected.size(), actual.size());
  EXPECT_EQ(1, std::count_if(linear.begin(), linear.end(), [](auto& r) { return r.Rigid(); }));
  SortEigenvalues(expected);
  SortEigenvalues(actual);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const double zero = std::abs(expected[i]) < 1e-3 ? 1e-3 : 0.0;
    EXPECT_LE(std::abs(actual[i] - expected[i]), std::max(zero, 1e-6 * std::abs(expected[i])))
        << actual[i] << " against " << expected[i];
  }
}

// Each rolling eigenvalue is a root of the characteristic equation with the
// reduced masses, 500 kg per wheel, and together they are all of them: their
// sum and the sum of their squares are the traces. The linear set's
// longitudinal modes are not roots of it.
TEST_F(ShippedModesTest, RollingSetSolvesTheCharacteristicEquationWithTheReducedMasses) {
  const Mechanics rolling = ShippedMechanics(500.0);
  const std::vector<ModeRow> rows = RowsOf(modes, "rolling");
  const std::vector<Complex> values = Eigenvalues(rows);
  ASSERT_EQ(26u, values.size());
  for (const ModeRow& row : rows) {
    if (row.Rigid()) continue;
    EXPECT_LE(std::abs(rolling.NewtonStep(row.Lambda())), 1e-6 * std::abs(row.Lambda()))
        << "rolling mode " << row.mode;
  }
  Complex sum = 0.0;
  Complex squares = 0.0;
  double scale = 0.0;
  for (Complex value : values) {
    sum += value;
    squares += value * value;
    scale += std::norm(value);
  }
  EXPECT_NEAR(rolling.EigenvalueSum(), sum.real(), 1e-9 * std::fabs(rolling.EigenvalueSum()));
  EXPECT_NEAR(rolling.SquareSum(), squares.real(), 1e-9 * scale);
  EXPECT_NEAR(0.0, sum.imag() + squares.imag(), 1e-9 * scale);

  int notRoots = 0;
  for (const ModeRow& row : RowsOf(modes, "linear")) {
    if (!row.Rigid() &&
        std::abs(rolling.NewtonStep(row.Lambda())) > 1e-3 * std::abs(row.Lambda())) {
      ++notRoots;
    }
  }
  EXPECT_GE(notRoots, 4);
}

// The worked example's wagon with its longitudinal guidance at the wagon's
// centre height, so that it does not pitch the wagon, and damped lightly.
std::string LongitudinalWagon() {
  std::string text =
      testing_support::ReadFile(testing_support::SourceDir() / "docs/examples/two_axle_wagon.in");
  const std::pair<const char*, const char*> edits[] = {
      {"WagonLong1        Wagon      -4.7   -0.74", "WagonLong1        Wagon      -4.7   0"},
      {"WagonLong2        Wagon      4.7    -0.74", "WagonLong2        Wagon      4.7    0"},
      {"Wheelset1Long     Wheelset1  0      0", "Wheelset1Long     Wheelset1  0      0.74"},
      {"Wheelset2Long     Wheelset2  0      0", "Wheelset2Long     Wheelset2  0      0.74"},
      {"Wheelset1Long   5e6        5e4", "Wheelset1Long   5e6        5e3"},
      {"Wheelset2Long   5e6        5e4", "Wheelset2Long   5e6        5e3"},
  };
  for (const auto& [from, to] : edits) {
    const std::size_t at = text.find(from);
    EXPECT_NE(std::string::npos, at) << from;
    if (at != std::string::npos) text.replace(at, std::string(from).size(), to);
  }
  return text;
}

// "+A 50%; -B 50%" with its freedoms in name order and the first one "+", so
// that freedoms of equal share compare in any order.
std::string Normalized(const std::string& shape) {
  const bool rigid = shape.starts_with("rigid body: ");
  std::istringstream in(shape.substr(rigid ? 12 : 0));
  std::vector<std::pair<std::string, std::string>> parts;  // name, "sign share"
  std::string part;
  while (std::getline(in, part, ';')) {
    std::istringstream words(part);
    std::string name;
    std::string share;
    words >> name >> share;
    parts.push_back({name.substr(1), name.substr(0, 1) + share});
  }
  std::sort(parts.begin(), parts.end());
  std::string text = rigid ? "rigid body:" : "";
  const bool flip = !parts.empty() && parts.front().second[0] == '-';
  for (auto& [name, signShare] : parts) {
    if (flip) signShare[0] = signShare[0] == '-' ? '+' : '-';
    text += " " + signShare.substr(0, 1) + name + " " + signShare.substr(1);
  }
  return text;
}

// x'' + 2 zeta omega x' + omega^2 x = 0.
struct Oscillator {
  double omegaSquared;
  double dampingRate;  // 2 zeta omega
  std::string shape;
};

// Wagon 18000 kg, pitch inertia 163500 kg m^2, vertical springs 1.2e6 N/m and
// dampers 4e4 N s/m 5 m either side of its centre; wheelsets of 1200 kg, each
// guided by 5e6 N/m and 5e3 N s/m; wheels of 600 kg reduced mass. Bounce and
// pitch leave the wheelsets alone. Longitudinally the wheelsets swing against
// each other (omega^2 = k / m) and together against the wagon
// (omega^2 = k (2 / M + 1 / m)); every damper is 1e-3 s times its spring.
std::vector<Oscillator> WagonModes(double wheelsetMass, const std::string& rigidShape,
                                   const std::string& togetherShape) {
  const double k = 5e6;
  const double together = k * (2.0 / 18000.0 + 1.0 / wheelsetMass);
  return {{0.0, 0.0, rigidShape},
          {2.4e6 / 18000.0, 8e4 / 18000.0, "+Wagon_Y 100%"},
          {2.4e6 * 25.0 / 163500.0, 8e4 * 25.0 / 163500.0, "+Wagon_R 100%"},
          {k / wheelsetMass, 1e-3 * k / wheelsetMass, "+Wheelset1_X 50%; -Wheelset2_X 50%"},
          {together, 1e-3 * together, togetherShape}};
}

// The peaks of `values` sampled every `period` s from `from` s on, each placed
// by the parabola through it and its neighbours: their mean spacing.
double PeakFrequency(const std::vector<double>& values, double period, double from) {
  std::vector<double> peaks;
  for (std::size_t k = static_cast<std::size_t>(from / period); k + 1 < values.size(); ++k) {
    const double a = values[k - 1];
    const double b = values[k];
    const double c = values[k + 1];
    if (b > a && b >= c) peaks.push_back((k + 0.5 * (a - c) / (a - 2.0 * b + c)) * period);
  }
  EXPECT_GE(peaks.size(), 10u);
  return (peaks.size() - 1) / (peaks.back() - peaks.front());
}

// The rolling wagon under a traction step swings at its rolling modes: the
// wheelsets together against the wagon at the rolling set's frequency, 16 %
// below the linear set's.
TEST(ModesTest, WagonModesHaveTheirClosedFormsAndTheRunSwingsAtTheRollingOnes) {
  TempFolder folder;
  folder.Write("combined_train17_GEN.in", LongitudinalWagon());
  std::string history = "EFD\n600 3\n";
  for (int k = 0; k < 600; ++k) history += "0 0 20000\n";
  folder.Write("h.in", history);
  folder.Write("results/.keep", "");
  const auto run =
      RunIn(folder.Path(), KelvraCommand("--console --modes --states --history h.in"), "\n");
  ASSERT_EQ(0, run.exitCode) << run.err;
  std::string base;
  for (const std::string& name : ResultFiles(folder)) {
    if (name.ends_with("_modes.csv")) base = "results/" + name.substr(0, name.size() - 10);
  }
  ASSERT_FALSE(base.empty());
  const std::vector<ModeRow> rows = ReadModes(folder.Read(base + "_modes.csv"));

  struct Set {
    const char* name;
    std::vector<Oscillator> modes;
  };
  const Set sets[] = {
      {"linear", WagonModes(1200.0, "rigid body: +Wagon_X 88%; +Wheelset1_X 6%; +Wheelset2_X 6%",
                            "+Wheelset1_X 44%; +Wheelset2_X 44%; -Wagon_X 12%")},
      {"rolling", WagonModes(1800.0, "rigid body: +Wagon_X 83%; +Wheelset1_X 8%; +Wheelset2_X 8%",
                             "+Wheelset1_X 42%; +Wheelset2_X 42%; -Wagon_X 17%")},
  };
  for (const Set& set : sets) {
    const std::vector<ModeRow> chosen = RowsOf(rows, set.name);
    ASSERT_EQ(set.modes.size(), chosen.size()) << set.name;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
      const Oscillator& mode = set.modes[i];
      const double omega = std::sqrt(mode.omegaSquared);
      const double zeta = omega > 0.0 ? mode.dampingRate / (2.0 * omega) : std::nan("");
      const double damped = omega * std::sqrt(1.0 - (omega > 0.0 ? zeta * zeta : 0.0)) / kTwoPi;
      SCOPED_TRACE(std::string(set.name) + " mode " + std::to_string(i + 1));
      EXPECT_EQ(static_cast<int>(i + 1), chosen[i].mode);
      EXPECT_NEAR(omega / kTwoPi, chosen[i].natural, 1e-9 * omega);
      EXPECT_NEAR(damped, chosen[i].damped, 1e-9 * omega);
      if (omega > 0.0) {
        EXPECT_NEAR(zeta, chosen[i].ratio, 1e-9);
      } else {
        EXPECT_TRUE(std::isnan(chosen[i].ratio));
      }
      EXPECT_EQ(Normalized(mode.shape), Normalized(chosen[i].shape));
    }
  }

  const CsvTable states = ReadCsv(folder.Read(base + "_states.csv"));
  std::vector<double> deflection;
  for (const std::vector<double>& row : states.rows) {
    deflection.push_back(row[states.Column("Wheelset1_X")] - row[states.Column("Wagon_X")]);
  }
  const double observed = PeakFrequency(deflection, 0.005, 0.1);
  const double rolling = RowsOf(rows, "rolling")[4].damped;
  const double linear = RowsOf(rows, "linear")[4].damped;
  EXPECT_NEAR(rolling, observed, 0.002 * rolling);
  EXPECT_GT(std::fabs(linear - observed), 0.1 * linear);
}

// The file a run names at its end whose name ends in `ending`; empty when none.
std::string FileWritten(const std::string& out, const std::string& ending) {
  const std::size_t line = out.find("Files written: ");
  if (line == std::string::npos) return "";
  std::istringstream names(out.substr(line + 15, out.find('\n', line) - line - 15));
  std::string name;
  while (std::getline(names >> std::ws, name, ',')) {
    if (name.ends_with(ending)) return name;
  }
  return "";
}

// The modes belong to the model: a console run, a batch (one file for all its
// sets, whatever their DT) and each study case write them beside their files
// under their own name, and name the file at the end; for the shipped model,
// whose study cases vary no mechanics, all three hold the same. A batch
// without --modes removes the modes file an earlier batch left.
TEST(ModesTest, EveryConsoleRunKindWritesTheModesUnderItsName) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(20));
  struct Case {
    std::string options;
    std::string file;  // the file's name, or its start for the console run's numbered name
  };
  const Case cases[] = {
      {"--console --modes --history h.in", "results/_kelvra_result_"},
      {"--batch --modes --sets 2 --history h.in", "results/batch_modes.csv"},
      {"--study study_brake_adhesion.csv --modes --sets 3 --history h.in",
       "results/study_3_modes.csv"},
  };
  std::string first;
  for (const Case& c : cases) {
    const auto run = RunIn(folder.Path(), KelvraCommand(c.options), "\n");
    ASSERT_EQ(0, run.exitCode) << c.options << "\n" << run.err;
    const std::string file = FileWritten(run.out, "_modes.csv");
    EXPECT_TRUE(file.starts_with(c.file)) << c.options << ": " << file;
    const std::string text = folder.Read(file);
    if (first.empty()) first = text;
    EXPECT_EQ(first, text) << c.options;
  }
  EXPECT_EQ(21u + 21u + 1u, static_cast<std::size_t>(LineCount(first)));

  const auto plain = RunIn(folder.Path(), KelvraCommand("--batch --sets 2 --history h.in"), "\n");
  ASSERT_EQ(0, plain.exitCode) << plain.err;
  EXPECT_EQ("", FileWritten(plain.out, "_modes.csv"));
  EXPECT_FALSE(folder.Exists("results/batch_modes.csv"));
}

}  // namespace
