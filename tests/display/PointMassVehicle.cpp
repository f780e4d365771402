#include "PointMassVehicle.h"

#include <sstream>
#include <vector>

#include "solver/SparseMatrix.h"

namespace {

constexpr double kTimeStep = 0.005;
constexpr double kMass = 10000.0;

std::string ParameterSections(int axles) {
  std::ostringstream text;
  text << "BEGIN\nEND\n"
       << "ITER 2\nLIM 0.5\nSUBDIV 10\nBRKSYS 1 0.1\nRESIST 0 0 0 0 0 0 0\n"
       << "ADHSET 2\n0.3 0.5 5 100 2\n0.3 0.5 5 100 2\n"
       << "ADHTBL\n1 1e9\n0 1\n"
       << "HTIMPCT 1\n1 2 3\n"
       << "SETIDX 1\n";
  for (int i = 0; i < axles; ++i) text << "0 ";
  text << "\nWHLTMP\n";
  return text.str();
}

SparseMatrix Compressed(std::uint32_t rows, const std::vector<double>& elements) {
  SparseMatrix m;
  m.FromRowMajor(rows, elements);
  return m;
}

}  // namespace

bool CreatePointMassVehicle(Kelvra& vehicle, const testing_support::TempFolder& folder, int axles,
                            std::string& log) {
  const double dt = kTimeStep;
  const std::size_t inputs = 2 * static_cast<std::size_t>(axles) + 1;
  std::vector<double> f(inputs, 0.0);
  for (int i = 0; i < axles; ++i) f[static_cast<std::size_t>(i)] = -1.0 / kMass;
  f[inputs - 1] = 1.0 / kMass;
  std::vector<double> p(2 * inputs), p1(2 * inputs);
  for (std::size_t j = 0; j < inputs; ++j) {
    p[j] = dt * f[j];
    p[inputs + j] = dt * dt / 2 * f[j];
    p1[j] = dt * dt / 2 * f[j];
    p1[inputs + j] = dt * dt * dt / 6 * f[j];
  }
  const std::size_t n = static_cast<std::size_t>(axles);
  folder.Write("vehicle.in", ParameterSections(axles));
  std::ostringstream out;
  const bool created = vehicle.Create(
      (folder.Path() / "vehicle.in").string(), Compressed(2, {1, 0, dt, 1}), Compressed(2, p),
      Compressed(2, p1), {0.0, 0.0},
      Compressed(static_cast<std::uint32_t>(n), std::vector<double>(2 * n, 0.0)),
      std::vector<double>(n, 50000.0), std::vector<unsigned>(n, 0), std::vector<unsigned>(n, 1),
      std::vector<double>(n, 500.0), std::vector<double>(n, 0.8), out, dt);
  log = out.str();
  return created;
}
