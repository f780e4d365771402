#include "results/ModelReference.h"

#include <algorithm>
#include <cmath>

#include "linalg/EigenDecomposition.h"
#include "results/HistoryReplay.h"

namespace {

constexpr int kLeastSubsteps = 10;
// Radians a substep may take of the fastest motion: classical Runge-Kutta
// keeps every mode within 1e-4 of its exact growth over such a substep.
constexpr double kAnglePerSubstep = 0.5;
// The eigenvalues are worked out up to this many states, the row sums bound
// them beyond.
constexpr int kLargestDecomposed = 400;

// The magnitude of A's fastest eigenvalue, or a bound of it.
double FastestRate(const Matrix& a) {
  const int n = a.num_rows();
  Matrix d;
  Matrix t;
  if (n <= kLargestDecomposed && EigenDecompose(a, d, t)) {
    double fastest = 0.0;
    for (int i = 0; i < n; ++i) {
      const double partner = i + 1 < n ? d[i][i + 1] : 0.0;
      const double before = i > 0 ? d[i][i - 1] : 0.0;
      fastest =
          std::max(fastest, std::hypot(d[i][i], std::max(std::fabs(partner), std::fabs(before))));
    }
    return fastest;
  }
  double rows = 0.0;
  for (int i = 0; i < n; ++i) {
    double sum = 0.0;
    for (int j = 0; j < n; ++j) sum += std::fabs(a[i][j]);
    rows = std::max(rows, sum);
  }
  return rows;
}

SparseMatrix Sparse(const Matrix& m) {
  SparseMatrix sparse;
  sparse.FromRowMajor(static_cast<std::uint32_t>(m.num_rows()), RowMajor(m));
  return sparse;
}

// The axle integrator's slip law: linear inside the band, its sign outside.
double Saturation(double slip, double band) {
  if (std::fabs(band) > std::fabs(slip)) return slip / band;
  return slip >= 0.0 ? 1.0 : -1.0;
}

bool AllFinite(const std::vector<double>& values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

}  // namespace

bool ModelReference::SetUp(const ReferenceModelData& model, const Kelvra& vehicle,
                           double largestBrakeInput, std::string& reason) {
  const int n = model.a.num_rows();
  const auto states = static_cast<std::size_t>(n);
  const CouplingData& coupling = model.vehicle.Coupling();
  const std::vector<double>& initial = model.vehicle.Definition().initialState;
  const std::size_t axles = coupling.wheelDofIndices.size();
  const bool fits =
      n > 0 && model.a.num_cols() == n && model.f.num_rows() == n &&
      coupling.normalForce.Cols() == states && coupling.normalForce.Rows() == axles &&
      initial.size() == states && coupling.wheelStateIndices.size() == axles &&
      coupling.staticAxleLoads.size() == axles && coupling.reducedMasses.size() == axles &&
      coupling.brakeForceRadii.size() == axles &&
      static_cast<std::size_t>(model.f.num_cols()) > 2 * axles &&
      vehicle.AxleCount() == static_cast<int>(axles) && model.vehicle.TimeStep() > 0.0;
  if (!fits) {
    reason = "the model's matrices and wheels do not fit together";
    return false;
  }
  a = Sparse(model.a);
  f = Sparse(model.f);
  normal = coupling.normalForce;
  initialState = initial;
  staticLoads = coupling.staticAxleLoads;
  reducedMasses = coupling.reducedMasses;
  brakeRadii = coupling.brakeForceRadii;
  speedEntry.assign(coupling.wheelDofIndices.begin(), coupling.wheelDofIndices.end());
  positionEntry.assign(coupling.wheelStateIndices.begin(), coupling.wheelStateIndices.end());
  brakes = vehicle.Dynamics().BrkSys;
  resistance = vehicle.Dynamics().Res;
  contact = vehicle.ContactModel();
  contact.Init();
  lim = vehicle.Dynamics().AxleRot.Lim();
  timeStep = model.vehicle.TimeStep();
  inputCount = static_cast<std::size_t>(model.f.num_cols());

  // The stiffest wheel: d(adhesion)/dw over the slip band at the largest
  // adhesion coefficient and twice the static load, and the brake's slope
  // below its speed threshold.
  double muLargest = 0.0;
  for (const AdhesionCharacteristic& c : contact.AdhesionGenerator().Characteristics()) {
    muLargest = std::max(muLargest, std::fabs(c.Coefficient(0.0)));
  }
  double wheelRate = 0.0;
  for (std::size_t i = 0; i < axles; ++i) {
    const double adhesionSlope = muLargest * 2.0 * std::fabs(staticLoads[i]) / std::fabs(lim);
    const double brakeSlope = std::fabs(largestBrakeInput * brakes.BrakeGain() * brakeRadii[i]) /
                              std::fabs(brakes.BrakeSpeedThreshold());
    wheelRate = std::max(wheelRate, (adhesionSlope + brakeSlope) / std::fabs(reducedMasses[i]));
  }
  const double rate = std::max(FastestRate(model.a), wheelRate);
  const double needed = std::ceil(timeStep * rate / kAnglePerSubstep);
  substeps = kLeastSubsteps;
  if (!(needed <= 1e9)) {
    reason = "its fastest motion is too fast to integrate";
    return false;
  }
  substeps = std::max(kLeastSubsteps, static_cast<int>(needed));

  for (State* state : {&y, &stage, &k1, &k2, &k3, &k4}) Resize(*state);
  for (std::vector<double>* perAxle : {&speed, &position, &normalForce, &adhesion}) {
    perAxle->assign(axles, 0.0);
  }
  brakeDemand.assign(axles, 0.0);
  input.assign(inputCount, 0.0);
  ax.assign(static_cast<std::size_t>(n), 0.0);
  fu.assign(static_cast<std::size_t>(n), 0.0);
  return true;
}

double ModelReference::Operations(double steps) const {
  const double perEvaluation =
      2.0 * static_cast<double>(a.NonZeros() + f.NonZeros() + normal.NonZeros()) +
      50.0 * static_cast<double>(staticLoads.size()) +
      4.0 * static_cast<double>(initialState.size());
  return steps * substeps * 4.0 * perEvaluation;
}

void ModelReference::Resize(State& state) const {
  state.x.assign(initialState.size(), 0.0);
  state.w.assign(staticLoads.size(), 0.0);
}

void ModelReference::Derivative(const State& s, State& ds) {
  const std::size_t axles = staticLoads.size();
  normal.Multiply(s.x, normalForce);
  for (std::size_t i = 0; i < axles; ++i) {
    speed[i] = s.x[speedEntry[i]];
    position[i] = s.x[positionEntry[i]];
    normalForce[i] += staticLoads[i];
  }
  resistance.Compute(speed, normalForce, s.w, position);
  brakes.DoStep(brakeDemand, s.w);
  contact.Compute(normalForce, s.w, speed, position);
  const std::vector<double>& capacity = contact.AdhesionCapacity();
  const std::vector<double>& brakeForce = brakes.BrakeForce();
  const std::vector<double>& axleResistance = resistance.AxleResistance();
  for (std::size_t i = 0; i < axles; ++i) {
    adhesion[i] = capacity[i] * Saturation(speed[i] - s.w[i], lim);
    const double opposing = std::fabs(brakeRadii[i]) * brakeForce[i] + axleResistance[i];
    ds.w[i] = (adhesion[i] - opposing) / reducedMasses[i];
  }
  AssembleInput(traction, resistance, adhesion, brakeRadii, brakeForce, inputCount, input);
  a.Multiply(s.x, ax);
  f.Multiply(input, fu);
  for (std::size_t j = 0; j < ds.x.size(); ++j) ds.x[j] = ax[j] + fu[j];
}

void ModelReference::Advance(const State& s, double h, const State& k, State& out) {
  for (std::size_t j = 0; j < s.x.size(); ++j) out.x[j] = s.x[j] + h * k.x[j];
  for (std::size_t i = 0; i < s.w.size(); ++i) out.w[i] = s.w[i] + h * k.w[i];
}

void ModelReference::Substep(double h) {
  Derivative(y, k1);
  Advance(y, h / 2.0, k1, stage);
  Derivative(stage, k2);
  Advance(y, h / 2.0, k2, stage);
  Derivative(stage, k3);
  Advance(y, h, k3, stage);
  Derivative(stage, k4);
  for (std::size_t j = 0; j < y.x.size(); ++j) {
    y.x[j] += h / 6.0 * (k1.x[j] + 2.0 * (k2.x[j] + k3.x[j]) + k4.x[j]);
  }
  for (std::size_t i = 0; i < y.w.size(); ++i) {
    y.w[i] += h / 6.0 * (k1.w[i] + 2.0 * (k2.w[i] + k3.w[i]) + k4.w[i]);
  }
}

bool ModelReference::Sliding(const State& s) const {
  for (std::size_t i = 0; i < s.w.size(); ++i) {
    if (std::fabs(s.x[speedEntry[i]] - s.w[i]) > std::fabs(lim)) return true;
  }
  return false;
}

void ModelReference::Sample(SpeedSeries& speeds) {
  for (std::size_t i = 0; i < speed.size(); ++i) speed[i] = y.x[speedEntry[i]];
  speeds.Add(speed, Sliding(y));
}

bool ModelReference::Run(const Matrix& history, int steps, SpeedSeries& speeds) {
  y.x = initialState;
  std::fill(y.w.begin(), y.w.end(), 0.0);
  contact.Init();
  speeds.Start(timeStep, static_cast<int>(staticLoads.size()),
               static_cast<std::size_t>(std::max(steps, 0)) + 1);
  Sample(speeds);
  const double h = timeStep / substeps;
  for (int k = 0; k < steps; ++k) {
    InputsOfRow(history, k, brakeDemand, traction);
    for (int s = 0; s < substeps; ++s) Substep(h);
    if (!AllFinite(y.x) || !AllFinite(y.w)) return false;
    Sample(speeds);
  }
  return true;
}
