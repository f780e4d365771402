// The cost of one vehicle-system step on a model of the shipped model's size:
// 13 degrees of freedom (26 states), 4 axles, dense step matrices.
//
// BuildSyntheticVehicle is the one place that knows the model; a builder that
// reads the shipped model file can take its place without touching the
// benchmarks.

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "solver/SparseMatrix.h"
#include "vehicle/Kelvra.h"

namespace {

// Everything Kelvra::Create takes, dense and row-major before compression.
struct StepBenchVehicle {
  std::string parameterText;
  SparseMatrix c, p, p1, n;
  std::vector<double> initialState, staticAxleLoads, reducedMasses, brakeForceRadii;
  std::vector<unsigned> wheelDofIndices, wheelStateIndices;
  double timeStep = 0.005;
};

using Dense = std::vector<double>;  // square, row-major

Dense Multiply(const Dense& a, const Dense& b, int n) {
  Dense product(a.size(), 0.0);
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < n; ++k) {
      const double aik = a[i * n + k];
      if (aik == 0.0) continue;
      for (int j = 0; j < n; ++j) product[i * n + j] += aik * b[k * n + j];
    }
  }
  return product;
}

// e^Z by scaling and squaring of a Taylor series.
Dense Exponential(Dense z, int n) {
  double norm = 0.0;
  for (double v : z) norm = std::max(norm, std::fabs(v));
  int squarings = 0;
  while (norm * n > 0.5) {
    norm /= 2;
    ++squarings;
  }
  for (double& v : z) v = std::ldexp(v, -squarings);
  Dense sum(z.size(), 0.0);
  Dense term(z.size(), 0.0);
  for (int i = 0; i < n; ++i) sum[i * n + i] = term[i * n + i] = 1.0;
  for (int k = 1; k <= 20; ++k) {
    term = Multiply(term, z, n);
    for (double& v : term) v /= k;
    for (std::size_t i = 0; i < sum.size(); ++i) sum[i] += term[i];
  }
  for (int s = 0; s < squarings; ++s) sum = Multiply(sum, sum, n);
  return sum;
}

SparseMatrix Compressed(std::uint32_t rows, const Dense& elements) {
  SparseMatrix m;
  m.FromRowMajor(rows, elements);
  return m;
}

// Four wheelsets (DOFs 0-3) and the car body (DOF 4) in a longitudinal spring
// network that leaves the rigid translation free, eight vertical and pitch DOFs
// (5-12) on springs to ground, coupled to the longitudinal ones through
// differences of their displacements. Damping proportional to stiffness. The
// exact step matrices come from the exponential of the augmented matrix
// [[A, F, 0], [0, 0, I], [0, 0, 0]] dt: C, P and P1 are its first block row.
StepBenchVehicle BuildSyntheticVehicle() {
  constexpr int dofs = 13;
  constexpr int states = 2 * dofs;
  constexpr int axles = 4;
  constexpr int inputs = 2 * axles + 1;
  StepBenchVehicle v;

  const double mass[dofs] = {1500, 1500, 1500, 1500, 30000, 2500, 2500,
                             2500, 2500, 8000, 8000, 30000, 30000};
  Dense k(dofs * dofs, 0.0);
  const auto spring = [&](int i, int j, double stiffness) {
    k[i * dofs + i] += stiffness;
    k[j * dofs + j] += stiffness;
    k[i * dofs + j] -= stiffness;
    k[j * dofs + i] -= stiffness;
  };
  for (int i = 0; i < 4; ++i) spring(i, 4, 4e7);
  spring(0, 1, 1e6);
  spring(2, 3, 1e6);
  for (int i = 5; i < dofs; ++i) {
    k[i * dofs + i] += 2e6 * mass[i] / 2500;
    for (int j = i + 1; j < dofs; ++j) spring(i, j, 1e5);
    const int wheelset = (i - 5) % 4;
    const double coupling = 2e4;  // vertical force per longitudinal deflection
    k[i * dofs + wheelset] += coupling;
    k[wheelset * dofs + i] += coupling;
    k[i * dofs + 4] -= coupling;
    k[4 * dofs + i] -= coupling;
  }
  const double alpha = 0.002;

  // Generalised forces of the inputs: adhesion on the wheelset and, through the
  // wheel radius, on its pitch DOF; the brake reaction on the pitch DOFs; traction
  // on the body.
  Dense b(dofs * inputs, 0.0);
  for (int i = 0; i < axles; ++i) {
    b[i * inputs + i] = -1.0;
    b[(5 + i) * inputs + i] = -0.46;
    b[(5 + i) * inputs + axles + i] = 0.3;
    b[(9 + i / 2) * inputs + axles + i] = -0.1;
  }
  b[4 * inputs + 2 * axles] = 1.0;

  constexpr int size = states + 2 * inputs;
  Dense z(size * size, 0.0);
  for (int i = 0; i < dofs; ++i) {
    for (int j = 0; j < dofs; ++j) {
      z[i * size + j] = -alpha * k[i * dofs + j] / mass[i];
      z[i * size + dofs + j] = -k[i * dofs + j] / mass[i];
    }
    z[(dofs + i) * size + i] = 1.0;
    for (int j = 0; j < inputs; ++j) z[i * size + states + j] = b[i * inputs + j] / mass[i];
  }
  for (int j = 0; j < inputs; ++j) z[(states + j) * size + states + inputs + j] = 1.0;
  for (double& value : z) value *= v.timeStep;
  const Dense e = Exponential(z, size);

  Dense c(states * states), p(states * inputs), p1(states * inputs);
  for (int i = 0; i < states; ++i) {
    for (int j = 0; j < states; ++j) c[i * states + j] = e[i * size + j];
    for (int j = 0; j < inputs; ++j) {
      p[i * inputs + j] = e[i * size + states + j];
      p1[i * inputs + j] = e[i * size + states + inputs + j];
    }
  }
  v.c = Compressed(states, c);
  v.p = Compressed(states, p);
  v.p1 = Compressed(states, p1);

  // Normal forces from the vertical DOF over each wheelset: spring and damper.
  Dense n(axles * states, 0.0);
  for (int i = 0; i < axles; ++i) {
    n[i * states + 5 + i] = -2e4;
    n[i * states + dofs + 5 + i] = -2e6;
    n[i * states + dofs + 9 + i / 2] = 5e5;
  }
  v.n = Compressed(axles, n);

  v.initialState.assign(states, 0.0);
  v.staticAxleLoads.assign(axles, 80000.0);
  v.reducedMasses.assign(axles, 1000.0);
  v.brakeForceRadii = {0.8, -0.8, 0.8, -0.8};
  for (unsigned i = 0; i < axles; ++i) {
    v.wheelDofIndices.push_back(i);
    v.wheelStateIndices.push_back(dofs + i);
  }
  v.parameterText =
      "ITER 3\nLIM 0.5\nSUBDIV 10\nBRKSYS 1 0.1\nRESIST 3 0 0 0 0 0 0\n"
      "ADHSET 2\n0.3 0.5 5 100 2\n0.2 0.5 5 100 2\nADHTBL\n100 1e9\n0 1\n"
      "HTIMPCT 1\n1 2 3\nSETIDX 1\n0 0 0 0\nWHLTMP\n";
  return v;
}

bool CreateVehicle(Kelvra& kelvra, const StepBenchVehicle& v, std::ostream& log) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / "kelvra_step_bench_model.in";
  std::ofstream(file) << v.parameterText;
  const bool created = kelvra.Create(file.string(), v.c, v.p, v.p1, v.initialState, v.n,
                                     v.staticAxleLoads, v.wheelDofIndices, v.wheelStateIndices,
                                     v.reducedMasses, v.brakeForceRadii, log, v.timeStep);
  std::filesystem::remove(file);
  return created;
}

// Alternates 10 s of traction with 10 s of braking, so that the speed stays in a
// realistic range however long the benchmark runs.
void StepVehicle(benchmark::State& state) {
  const int iter = static_cast<int>(state.range(0));
  static const StepBenchVehicle vehicle = BuildSyntheticVehicle();
  Kelvra kelvra;
  std::ostringstream log;
  if (!CreateVehicle(kelvra, vehicle, log) ||
      !kelvra.ChangeAxleIntegratorPar(10, iter, 0.5, vehicle.timeStep, log) || !kelvra.Init(log)) {
    state.SkipWithError(log.str().c_str());
    return;
  }
  const std::vector<double> released(4, 0.0);
  const std::vector<double> braking(4, 15000.0);
  long step = 0;
  for (auto _ : state) {
    const bool traction = (step++ / 2000) % 2 == 0;
    benchmark::DoNotOptimize(
        kelvra.DoStep(traction ? released : braking, traction ? 40000.0 : 0.0));
  }
  state.counters["speed"] = kelvra.LinearState()[4];
}

BENCHMARK(StepVehicle)->Arg(0)->Arg(3)->ArgName("ITER")->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
