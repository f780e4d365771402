#include "framework/ValidatorScope.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr int kFreedoms = 13;  // the validator's bodies and wheelsets, without the wheels
constexpr int kStates = 2 * kFreedoms;
constexpr int kInputs = 2 * kValidatorWheelsets + 1;  // adhesion, brake per wheelset; traction
constexpr int kOutputs = 2 * kValidatorWheelsets;     // wheelset speeds, then normal forces
constexpr double kSameParameter = 1e-9;               // relative
constexpr double kSameResponse = 1e-6;                // of the largest entry
const double kFrequencies[] = {0.5, 2.0, 8.0, 30.0, 120.0, 500.0};  // rad/s

bool Same(double a, double b) {
  return std::fabs(a - b) <= kSameParameter * std::max(std::fabs(a), std::fabs(b));
}

// x' = A x + B u, y = C x: u the wheel forces and the traction, y the
// wheelsets' speeds and the wheels' normal forces less their static loads.
struct WheelView {
  Matrix a;
  Matrix b;
  Matrix c;
};

// The validator's state entry of linear state j: velocities, then displacements.
int ValidatorEntry(int j) {
  return j < kFreedoms ? j : kValidatorDofCount + j - kFreedoms;
}

// Its mechanics are linear in the state and the forces: one evaluation per unit
// state and per unit force gives every column.
WheelView ValidatorView(const ValidatorTrainModel& validator) {
  WheelView view{Matrix(kStates, kStates, 0.0), Matrix(kStates, kInputs, 0.0),
                 Matrix(kOutputs, kStates, 0.0)};
  const PerWheelset none{};
  ValidatorState accelerations{};
  PerWheelset vertical{};
  for (int j = 0; j < kStates; ++j) {
    ValidatorState x{};
    x[ValidatorEntry(j)] = 1.0;
    validator.Mechanics(x, none, none, 0.0, accelerations, vertical);
    for (int i = 0; i < kFreedoms; ++i) view.a[i][j] = accelerations[i];
    if (j < kFreedoms) view.a[kFreedoms + j][j] = 1.0;
    for (int k = 0; k < kValidatorWheelsets; ++k) view.c[kValidatorWheelsets + k][j] = vertical[k];
  }
  for (int k = 0; k < kValidatorWheelsets; ++k) {
    view.c[k][kValidatorWheelsetDof + k] = 1.0;
  }
  const ValidatorState rest{};
  for (int p = 0; p < kInputs; ++p) {
    PerWheelset adhesion{};
    PerWheelset brake{};
    if (p < kValidatorWheelsets) adhesion[p] = 1.0;
    if (p >= kValidatorWheelsets && p < 2 * kValidatorWheelsets) {
      brake[p - kValidatorWheelsets] = 1.0;
    }
    const double traction = p == kInputs - 1 ? 1.0 : 0.0;
    validator.Mechanics(rest, adhesion, brake, traction, accelerations, vertical);
    for (int i = 0; i < kFreedoms; ++i) view.b[i][p] = accelerations[i];
  }
  return view;
}

// The model's inputs by position: adhesion of every axle, its brake force as
// it acts on the vehicle (the sign set by the side of the brake), the traction.
WheelView RunView(const ReferenceModelData& model) {
  const CouplingData& coupling = model.vehicle.Coupling();
  const int n = model.a.num_rows();
  const int axles = kValidatorWheelsets;
  WheelView view{model.a, Matrix(n, kInputs, 0.0), Matrix(kOutputs, n, 0.0)};
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < axles; ++k) {
      const double side = coupling.brakeForceRadii[k] < 0.0 ? -1.0 : 1.0;
      view.b[i][k] = model.f[i][k];
      view.b[i][axles + k] = -side * model.f[i][axles + k];
    }
    view.b[i][kInputs - 1] = model.f[i][2 * axles];
  }
  for (int k = 0; k < axles; ++k) view.c[k][coupling.wheelDofIndices[k]] = 1.0;
  // The normal forces' rows below the speeds: the stored elements, column by column.
  const SparseMatrix& normal = coupling.normalForce;
  std::uint32_t element = 0;
  for (std::uint32_t j = 0; j < normal.Cols(); ++j) {
    for (; element < normal.ColumnEnd()[j]; ++element) {
      view.c[axles + normal.RowOf()[element]][j] = normal.Values()[element];
    }
  }
  return view;
}

// H(i w) = C (i w I - A)^-1 B as its real and imaginary parts, from the real
// form of the complex solve: [-A, -w I; w I, -A] [Zr; Zi] = [B; 0].
bool Response(const WheelView& view, double w, Matrix& real, Matrix& imaginary) {
  const int n = view.a.num_rows();
  Matrix system(2 * n, 2 * n, 0.0);
  Matrix right(2 * n, kInputs, 0.0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      system[i][j] = -view.a[i][j];
      system[n + i][n + j] = -view.a[i][j];
    }
    system[i][n + i] = -w;
    system[n + i][i] = w;
    for (int p = 0; p < kInputs; ++p) right[i][p] = view.b[i][p];
  }
  const Matrix inverse = Inverse(system);
  if (inverse.num_rows() != 2 * n) return false;
  const Matrix z = Multiply(inverse, right);
  real = Matrix(kOutputs, kInputs, 0.0);
  imaginary = Matrix(kOutputs, kInputs, 0.0);
  for (int o = 0; o < kOutputs; ++o) {
    for (int p = 0; p < kInputs; ++p) {
      for (int j = 0; j < n; ++j) {
        real[o][p] += view.c[o][j] * z[j][p];
        imaginary[o][p] += view.c[o][j] * z[n + j][p];
      }
    }
  }
  return AllFinite(real) && AllFinite(imaginary);
}

// The speeds and the normal forces are told apart, each against its own scale.
bool SameResponse(const WheelView& run, const WheelView& reference) {
  for (const double w : kFrequencies) {
    Matrix runReal, runImaginary, referenceReal, referenceImaginary;
    if (!Response(run, w, runReal, runImaginary) ||
        !Response(reference, w, referenceReal, referenceImaginary)) {
      return false;
    }
    for (int first : {0, kValidatorWheelsets}) {
      double scale = 0.0;
      double difference = 0.0;
      for (int o = first; o < first + kValidatorWheelsets; ++o) {
        for (int p = 0; p < kInputs; ++p) {
          scale = std::max(scale, std::hypot(referenceReal[o][p], referenceImaginary[o][p]));
          difference =
              std::max(difference, std::hypot(runReal[o][p] - referenceReal[o][p],
                                              runImaginary[o][p] - referenceImaginary[o][p]));
        }
      }
      if (!(difference <= kSameResponse * scale)) return false;
    }
  }
  return true;
}

bool SameWheels(const ValidatorParameters& reference, const CouplingData& coupling) {
  if (coupling.wheelDofIndices.size() != static_cast<std::size_t>(kValidatorWheelsets)) {
    return false;
  }
  for (int k = 0; k < kValidatorWheelsets; ++k) {
    if (!Same(coupling.reducedMasses[k], reference.wheelReducedMass) ||
        !Same(coupling.staticAxleLoads[k], reference.staticWheelLoad) ||
        !Same(std::fabs(coupling.brakeForceRadii[k]),
              reference.brakeRadius / reference.wheelRadius)) {
      return false;
    }
  }
  return true;
}

// The brake at wheel speeds inside and beyond its fading band, both ways.
bool SameBrake(const ValidatorParameters& reference, const Kelvra& vehicle) {
  TBrakeSys brakes = vehicle.Dynamics().BrkSys;
  const std::vector<double> demand(kValidatorWheelsets, 1000.0);
  for (const double speed : {0.0, 0.01, -0.03, 0.049, 0.2, -3.0}) {
    const std::vector<double> wheelSpeed(kValidatorWheelsets, speed);
    if (!brakes.DoStep(demand, wheelSpeed)) return false;
    const double expected =
        ValidatorTrainModel::Saturation(speed, reference.brakeSpeedLimit) * demand[0];
    for (const double force : brakes.BrakeForce()) {
      if (!(std::fabs(force - expected) <= kSameParameter * demand[0])) return false;
    }
  }
  return true;
}

bool NoResistance(const ValidatorParameters& reference, const Kelvra& vehicle) {
  if (reference.resistanceLoadFactor != 0.0 || reference.resistanceConstant != 0.0 ||
      reference.resistanceQuadratic != 0.0) {
    return false;
  }
  TResistance resistance = vehicle.Dynamics().Res;
  const std::vector<double> perAxle(kValidatorWheelsets, 10.0);
  resistance.Compute(perAxle, perAxle, perAxle, perAxle);
  const std::vector<double>& axles = resistance.AxleResistance();
  return resistance.TotalResistance() == 0.0 &&
         std::all_of(axles.begin(), axles.end(), [](double r) { return r == 0.0; });
}

// Every characteristic the track may select, at slips from standstill to a
// wheel locked at speed.
bool SameAdhesion(const ValidatorParameters& reference, const Kelvra& vehicle) {
  const auto& characteristics = vehicle.ContactModel().AdhesionGenerator().Characteristics();
  for (const AdhesionCharacteristic& c : characteristics) {
    for (const double slip : {0.0, 0.02, -0.3, 2.0, 10.0, -40.0}) {
      const double mu =
          reference.adhesionMax *
          ((1.0 - reference.adhesionFloor) * std::exp(-std::fabs(slip) / reference.adhesionDecay) +
           reference.adhesionFloor);
      if (!Same(c.Coefficient(slip), mu)) return false;
    }
  }
  return !characteristics.empty();
}

}  // namespace

std::string ValidatorVehicleDifference(const ValidatorTrainModel& validator,
                                       const ReferenceModelData& model, const Kelvra& vehicle) {
  const ValidatorParameters& reference = validator.Parameters();
  const CouplingData& coupling = model.vehicle.Coupling();
  if (!SameWheels(reference, coupling)) return "its wheels";
  if (!SameBrake(reference, vehicle)) return "its brake";
  if (!NoResistance(reference, vehicle)) return "its running resistance";
  if (!SameAdhesion(reference, vehicle)) return "its adhesion";
  if (!Same(vehicle.Dynamics().AxleRot.Lim(), reference.adhesionSlipLimit)) return "LIM";
  const bool linearFits = model.a.num_rows() == kStates && model.f.num_rows() == kStates &&
                          model.f.num_cols() >= kInputs &&
                          coupling.normalForce.Rows() == kOutputs / 2 &&
                          coupling.normalForce.Cols() == kStates;
  if (!linearFits || !SameResponse(RunView(model), ValidatorView(validator))) {
    return "its linear model";
  }
  return "";
}
