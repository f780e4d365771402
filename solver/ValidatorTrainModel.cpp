#include "solver/ValidatorTrainModel.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <utility>

#include "model/OutputFile.h"

namespace {

// First degree of freedom of each body (velocity index; the displacement is 17 later).
constexpr int kCar = 0;
constexpr int kFrontBogie = 3;
constexpr int kRearBogie = 6;
constexpr int kWheelsetLongitudinal = kValidatorWheelsetDof;
constexpr int kWheelRotation = kValidatorWheelRotationDof;
// Columns of a history row: the brake inputs of wheelsets 1 to 4, then the traction.
constexpr int kTractionColumn = 4;
constexpr int kHistoryColumns = 5;

constexpr double kVerticalAngle = 1.5707963267948966;

// Keeps the system's error number of the first failed write of an open file.
void NoteWriteError(const OutputFile& file, int& error) {
  if (error == 0 && file.IsOpen() && !file.good()) error = errno != 0 ? errno : EIO;
}

// Displacement (x, z) and velocity (vx, vz) of a point.
struct PointMotion {
  double x;
  double z;
  double vx;
  double vz;
};

// A point at (dx, dz) from the centre of a body that moves by x, z and pitches by
// phi moves by x - dz*phi longitudinally and z + dx*phi vertically (small
// rotations); the velocities follow the same rule.
PointMotion BodyPoint(const ValidatorState& s, int dof, double dx, double dz) {
  const double* v = &s[dof];
  const double* q = &s[kValidatorDofCount + dof];
  return {q[0] - dz * q[2], q[1] + dx * q[2], v[0] - dz * v[2], v[1] + dx * v[2]};
}

// Wheelsets move only longitudinally; they are attached at their centre.
PointMotion WheelsetPoint(const ValidatorState& s, int wheelset) {
  const int dof = kWheelsetLongitudinal + wheelset;
  return {s[kValidatorDofCount + dof], 0.0, s[dof], 0.0};
}

struct ElementLaw {
  double stiffness;
  double damping;
  double cosine;
  double sine;
};

// Spring and damper along the direction theta, deformed by the second point's
// motion relative to the first:
//   F = k (dx cos + dz sin) + c (dvx cos + dvz sin),
// positive on the first body, negative on the second.
double ElementForce(const ElementLaw& law, const PointMotion& first, const PointMotion& second) {
  const double dx = second.x - first.x;
  const double dz = second.z - first.z;
  const double dvx = second.vx - first.vx;
  const double dvz = second.vz - first.vz;
  return law.stiffness * (dx * law.cosine + dz * law.sine) +
         law.damping * (dvx * law.cosine + dvz * law.sine);
}

}  // namespace

ValidatorTrainModel::ValidatorTrainModel(double step, const ValidatorParameters& parameters)
    : stepSize(step),
      par(parameters),
      longitudinalCos(std::cos(0.0)),
      longitudinalSin(std::sin(0.0)),
      verticalCos(std::cos(kVerticalAngle)),
      verticalSin(std::sin(kVerticalAngle)) {}

void ValidatorTrainModel::SetForceHistory(const Matrix& history, double period) {
  forceHistory = history;
  forceHistoryRows = history.num_rows();
  samplePeriod = period;
}

bool ValidatorTrainModel::CheckForceHistory(std::string& reason) const {
  if (forceHistoryRows < 1) {
    reason = "Error - the external force history is empty: the validator needs at least one row";
    return false;
  }
  if (forceHistory.num_cols() < kHistoryColumns) {
    reason = "Error - the external force history has " + std::to_string(forceHistory.num_cols()) +
             " columns: the validator needs at least 5 (four brake inputs and the traction)";
    return false;
  }
  if (!(stepSize > 0.0) || !(samplePeriod > 0.0)) {
    reason = "Error - the validator's step size and sample period must be positive";
    return false;
  }
  reason.clear();
  return true;
}

bool ValidatorTrainModel::HasUsableHistory() const {
  return forceHistoryRows >= 1 && forceHistory.num_cols() >= kHistoryColumns && stepSize > 0.0 &&
         samplePeriod > 0.0;
}

double ValidatorTrainModel::Saturation(double y, double y0) {
  if (std::abs(y) < y0) return y / y0;
  return y >= 0.0 ? 1.0 : -1.0;
}

int ValidatorTrainModel::Derivative(double t, const ValidatorState& x, ValidatorState& dxdt) {
  const int status = EvaluateForces(t, x, lastForces);
  ComputeAccelerations(x, lastForces, dxdt);
  if (output != nullptr) output->WriteForceLine(lastForces);
  return status;
}

int ValidatorTrainModel::EvaluateForces(double t, const ValidatorState& x,
                                        ValidatorForces& forces) const {
  // The history holds each sample until the next one. Rows at or past the last one
  // end the run; they read the last row so that no evaluation leaves the history.
  const int lastRow = forceHistoryRows - 1;
  const double row = std::max(std::trunc(t / samplePeriod), 0.0);
  const bool exhausted = !(row < lastRow);
  const int used = exhausted ? lastRow : static_cast<int>(row);
  ComputeSuspension(x, forces);
  ComputeWheelsets(x, forceHistory[used], forces);
  return exhausted ? -1 : 0;
}

void ValidatorTrainModel::Mechanics(const ValidatorState& x, const PerWheelset& adhesion,
                                    const PerWheelset& brake, double traction,
                                    ValidatorState& accelerations,
                                    PerWheelset& primaryVertical) const {
  ValidatorForces forces;
  ComputeSuspension(x, forces);
  forces.adhesion = adhesion;
  forces.brake = brake;
  forces.traction = traction;
  ComputeAccelerations(x, forces, accelerations);
  primaryVertical = forces.primaryVertical;
}

// Secondary elements join the car ends to the bogie centres, primary elements the
// bogies to their wheelsets. The leading element of each pair sits at -dx.
void ValidatorTrainModel::ComputeSuspension(const ValidatorState& x,
                                            ValidatorForces& forces) const {
  const ElementLaw secLong{par.secLongStiffness, par.secLongDamping, longitudinalCos,
                           longitudinalSin};
  const ElementLaw secVert{par.secVertStiffness, par.secVertDamping, verticalCos, verticalSin};
  const ElementLaw primLong{par.primLongStiffness, par.primLongDamping, longitudinalCos,
                            longitudinalSin};
  const ElementLaw primVert{par.primVertStiffness, par.primVertDamping, verticalCos, verticalSin};

  const int bogies[2] = {kFrontBogie, kRearBogie};
  for (int side = 0; side < 2; ++side) {
    const double sign = side == 0 ? -1.0 : 1.0;
    const PointMotion bogie = BodyPoint(x, bogies[side], par.bogieSecDx, par.bogieSecDz);
    const PointMotion carLong = BodyPoint(x, kCar, sign * par.secLongDx, -par.secLongDz);
    const PointMotion carVert = BodyPoint(x, kCar, sign * par.secVertDx, -par.secVertDz);
    forces.secondary[2 * side] = ElementForce(secLong, carLong, bogie);
    forces.secondary[2 * side + 1] = ElementForce(secVert, carVert, bogie);
  }

  for (int k = 0; k < kValidatorWheelsets; ++k) {
    const int bogie = bogies[k / 2];
    const double sign = k % 2 == 0 ? -1.0 : 1.0;
    const PointMotion wheelset = WheelsetPoint(x, k);
    const PointMotion bogieLong = BodyPoint(x, bogie, sign * par.primLongDx, -par.primLongDz);
    const PointMotion bogieVert = BodyPoint(x, bogie, sign * par.primVertDx, -par.primVertDz);
    forces.primaryLongitudinal[k] = ElementForce(primLong, bogieLong, wheelset);
    forces.primaryVertical[k] = ElementForce(primVert, bogieVert, wheelset);
  }
}

// Per wheelset: the brake force fades out linearly below brakeSpeedLimit so that a
// wheel at rest is not pushed; the normal force is the static load plus the primary
// vertical force plus the brake force; the adhesion coefficient decays from
// adhesionMax towards adhesionFloor * adhesionMax with the slip speed, and the
// adhesion force grows linearly below adhesionSlipLimit; the tread force carries
// the brake force from the brake radius to the wheel radius plus the running
// resistance.
void ValidatorTrainModel::ComputeWheelsets(const ValidatorState& x, const double* inputs,
                                           ValidatorForces& forces) const {
  for (int k = 0; k < kValidatorWheelsets; ++k) {
    const double wheelSpeed = x[kWheelRotation + k];
    const double direction = Saturation(wheelSpeed, par.brakeSpeedLimit);
    const double brake = direction * std::abs(inputs[k]);
    const double normal = par.staticWheelLoad + forces.primaryVertical[k] + brake;
    const double slip = x[kWheelsetLongitudinal + k] - wheelSpeed;
    const double mu = par.adhesionMax *
                      ((1.0 - par.adhesionFloor) * std::exp(-std::abs(slip) / par.adhesionDecay) +
                       par.adhesionFloor);
    const double speed = std::abs(wheelSpeed);
    const double resistance =
        std::abs(normal * par.resistanceLoadFactor +
                 (speed * par.resistanceQuadratic + par.resistanceConstant) * speed);

    forces.brake[k] = brake;
    forces.normal[k] = normal;
    forces.slip[k] = slip;
    forces.adhesion[k] = Saturation(slip, par.adhesionSlipLimit) * std::abs(normal * mu);
    forces.tread[k] = brake * par.brakeRadius / par.wheelRadius + direction * resistance;
  }
  forces.traction = inputs[kTractionColumn];
}

void ValidatorTrainModel::ComputeAccelerations(const ValidatorState& x,
                                               const ValidatorForces& forces,
                                               ValidatorState& dxdt) const {
  const auto& S = forces.secondary;
  const auto& L = forces.primaryLongitudinal;
  const auto& V = forces.primaryVertical;
  const auto& B = forces.brake;
  const auto& A = forces.adhesion;
  const auto& R = forces.tread;
  const double T = forces.traction;

  // Car body: traction and the secondary forces of both bogies.
  dxdt[kCar] = (S[0] + T + S[2]) / par.carMass;
  dxdt[kCar + 1] = (S[3] + S[1]) / par.carMass;
  dxdt[kCar + 2] = ((S[2] + S[0]) * par.carLeverLongitudinal +
                    (S[3] - S[1]) * par.carLeverVertical + par.carLeverTraction * T) /
                   par.carPitchInertia;

  // Bogies: their primary forces, the reaction of the secondary ones and the brakes.
  for (int side = 0; side < 2; ++side) {
    const int dof = side == 0 ? kFrontBogie : kRearBogie;
    const int lead = 2 * side;
    const int trail = lead + 1;
    const double secLong = S[2 * side];
    const double secVert = S[2 * side + 1];
    dxdt[dof] = (L[lead] + L[trail] - secLong) / par.bogieMass;
    dxdt[dof + 1] = (V[trail] + V[lead] - secVert + B[lead] - B[trail]) / par.bogieMass;
    dxdt[dof + 2] =
        (secLong * par.bogieLeverSecLong + (L[lead] + L[trail]) * par.bogieLeverPrimLong +
         (V[trail] - V[lead]) * par.bogieLeverPrimVert -
         (B[lead] + B[trail]) * par.bogieLeverBrake) /
        par.bogiePitchInertia;
  }

  // Wheelsets: adhesion drags the axle back and turns the wheel.
  for (int k = 0; k < kValidatorWheelsets; ++k) {
    dxdt[kWheelsetLongitudinal + k] = (-A[k] - L[k]) / par.wheelsetMass;
    dxdt[kWheelRotation + k] = (A[k] - R[k]) / par.wheelReducedMass;
  }

  for (int i = 0; i < kValidatorDofCount; ++i) dxdt[kValidatorDofCount + i] = x[i];
}

void ValidatorFiles::WriteForceLine(const ValidatorForces& forces) {
  if (!forceFile.IsOpen()) return;
  // The forces of a state that stopped being finite are no result: the run
  // stops at that state, and the file keeps the lines before it.
  for (int k = 0; k < kValidatorWheelsets; ++k) {
    if (!std::isfinite(forces.adhesion[k]) || !std::isfinite(forces.tread[k])) return;
  }

  // Six significant digits, as the default stream format.
  char* out = lineBuffer.data();
  char* const end = out + lineBuffer.size();
  const auto put = [&](double value, char separator) {
    out = std::to_chars(out, end, value, std::chars_format::general, 6).ptr;
    *out++ = separator;
  };
  for (int k = 0; k < kValidatorWheelsets; ++k) put(forces.adhesion[k], '\t');
  for (int k = 0; k < kValidatorWheelsets; ++k) {
    put(forces.tread[k], k + 1 < kValidatorWheelsets ? '\t' : '\n');
  }
  forceFile.write(lineBuffer.data(), out - lineBuffer.data());
  NoteWriteError(forceFile, forceFileError);
}

void ValidatorFiles::WriteHeader(double stepSize, double brakeSpeedLimit) {
  resultFile << "DT = " << stepSize << "\nITER = 0\nSUBD = 0\nSGNT = " << brakeSpeedLimit
             << "\nRK\n";
  // At once: the header of a run that is killed is not left in a buffer.
  errno = 0;
  resultFile.flush();
  NoteWriteError(resultFile, resultFileError);
}

void ValidatorFiles::Flush() {
  for (auto [file, error] :
       {std::pair{&resultFile, &resultFileError}, std::pair{&forceFile, &forceFileError}}) {
    errno = 0;
    file->flush();
    NoteWriteError(*file, *error);
  }
}

void ValidatorTrainModel::WriteHeader() {
  if (output != nullptr) output->WriteHeader(stepSize, par.brakeSpeedLimit);
}

void ValidatorTrainModel::FlushFiles() {
  if (output != nullptr) output->Flush();
}

std::string ValidatorStateName(int i) {
  static const char* const kFreedoms[kValidatorDofCount] = {"car longitudinal",
                                                            "car vertical",
                                                            "car pitch",
                                                            "front bogie longitudinal",
                                                            "front bogie vertical",
                                                            "front bogie pitch",
                                                            "rear bogie longitudinal",
                                                            "rear bogie vertical",
                                                            "rear bogie pitch",
                                                            "wheelset 1 longitudinal",
                                                            "wheelset 2 longitudinal",
                                                            "wheelset 3 longitudinal",
                                                            "wheelset 4 longitudinal",
                                                            "wheel 1 circumferential",
                                                            "wheel 2 circumferential",
                                                            "wheel 3 circumferential",
                                                            "wheel 4 circumferential"};
  const bool speed = i < kValidatorDofCount;
  return std::string(kFreedoms[speed ? i : i - kValidatorDofCount]) +
         (speed ? " speed" : " displacement");
}

std::string FirstNonFiniteEntry(const ValidatorState& x) {
  for (int i = 0; i < kValidatorStateSize; ++i) {
    if (!std::isfinite(x[i])) return ValidatorStateName(i);
  }
  return std::string();
}
