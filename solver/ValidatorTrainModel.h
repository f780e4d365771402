#pragma once

// The validator's reference vehicle: one car body on two bogies with two wheelsets
// each, moving in the vertical plane (17 degrees of freedom), with hard-coded
// parameters, nonlinear brake and adhesion forces and a right-hand side in closed
// form for a conventional Runge-Kutta integration.

#include <array>
#include <iosfwd>
#include <string>

#include "linalg/Matrix.h"
#include "model/OutputFile.h"

// Degrees of freedom, velocity x(i) and displacement x(17 + i):
//   0 1 2      car body: longitudinal, vertical, pitch
//   3 4 5      front bogie: longitudinal, vertical, pitch
//   6 7 8      rear bogie: longitudinal, vertical, pitch
//   9 .. 12    wheelsets 1 to 4: longitudinal (1, 2 under the front bogie)
//   13 .. 16   wheelsets 1 to 4: circumferential motion of the wheel
inline constexpr int kValidatorDofCount = 17;
inline constexpr int kValidatorWheelsetDof = 9;        // wheelset 1's longitudinal freedom
inline constexpr int kValidatorWheelRotationDof = 13;  // wheel 1's circumferential freedom
inline constexpr int kValidatorStateSize = 2 * kValidatorDofCount;
inline constexpr int kValidatorWheelsets = 4;

using ValidatorState = std::array<double, kValidatorStateSize>;

// The name of state entry i ("car longitudinal speed", "wheel 3 circumferential
// displacement", ...).
std::string ValidatorStateName(int i);

// The name of the first entry that is NaN or infinite; empty when all are finite.
std::string FirstNonFiniteEntry(const ValidatorState& x);
using PerWheelset = std::array<double, kValidatorWheelsets>;

// Every force of one evaluation of the right-hand side. Suspension forces act
// positively on the first body of the element and negatively on the second.
struct ValidatorForces {
  std::array<double, 4> secondary{};  // S1 .. S4: front long, front vert, rear long, rear vert
  PerWheelset primaryLongitudinal{};  // L1 .. L4
  PerWheelset primaryVertical{};      // V1 .. V4
  PerWheelset brake{};                // B1 .. B4, at the brake radius
  PerWheelset normal{};               // N1 .. N4, wheel-rail normal forces
  PerWheelset slip{};                 // s1 .. s4, wheelset speed minus circumferential speed
  PerWheelset adhesion{};             // A1 .. A4, tangential wheel-rail forces
  PerWheelset tread{};                // R1 .. R4, brake and resistance at the tread
  double traction = 0.0;              // T, acting on the car body
};

// The reference vehicle's parameters in SI units; the defaults are the shipped
// vehicle's. Levers and attachment points are distances from the centre of
// the body named first; an element's leading end sits at -dx.
struct ValidatorParameters {
  double carMass = 31000.0;
  double carPitchInertia = 1842853.125;
  double carLeverVertical = 9.5;      // secondary vertical forces in the car's pitch
  double carLeverLongitudinal = 0.5;  // secondary longitudinal forces in the car's pitch
  double carLeverTraction = 0.0;      // the traction in the car's pitch
  double secLongDx = 9.0;             // car attachment of the secondary longitudinal elements
  double secLongDz = 0.5;
  double secVertDx = 9.5;  // car attachment of the secondary vertical elements
  double secVertDz = 0.0;
  double secLongStiffness = 1500000.0;
  double secVertStiffness = 1500000.0;
  double secLongDamping = 60000.0;
  double secVertDamping = 60000.0;
  double bogieMass = 3000.0;
  double bogiePitchInertia = 3312.5;
  double bogieLeverPrimVert = 1.0;  // primary vertical forces in the bogie's pitch
  double bogieLeverPrimLong = 0.0;  // primary longitudinal forces in the bogie's pitch
  double bogieLeverSecLong = 0.0;   // the secondary longitudinal force in the bogie's pitch
  double bogieLeverBrake = 0.77;    // the brake forces in the bogie's pitch
  double primLongDx = 0.7;          // bogie attachment of the primary longitudinal elements
  double primLongDz = 0.0;
  double primVertDx = 1.0;  // bogie attachment of the primary vertical elements
  double primVertDz = 0.3;
  double bogieSecDx = 0.0;  // bogie attachment of the secondary elements
  double bogieSecDz = 0.0;
  double primLongStiffness = 2000000.0;
  double primVertStiffness = 2000000.0;
  double primLongDamping = 120000.0;
  double primVertDamping = 120000.0;
  double wheelsetMass = 1000.0;     // longitudinal
  double wheelReducedMass = 500.0;  // of the wheel's rotation, at the tread
  double wheelRadius = 0.46;
  double brakeRadius = 0.23;
  double resistanceLoadFactor = 0.0;
  double resistanceConstant = 0.0;
  double resistanceQuadratic = 0.0;
  double staticWheelLoad = 98100.0;  // per wheelset
  double adhesionMax = 0.1;          // mu0
  double adhesionDecay = 5.0;        // slip speed scale of the decay, m/s
  double adhesionFloor = 0.2;        // the share of mu0 left at large slip
  double adhesionSlipLimit = 0.05;   // slip speed below which the adhesion grows linearly
  double brakeSpeedLimit = 0.05;     // wheel speed below which the brake grows linearly
};

// The validator's two files: the result file with its header and the force
// file with A1..A4, R1..R4 of every evaluation. The run that writes them opens
// and owns them; a file that is not open takes no writes.
class ValidatorFiles {
 public:
  // Each false, with the file left closed, when it cannot be opened.
  bool OpenResultFile(const std::string& fileName) { return resultFile.Open(fileName); }
  bool OpenForceFile(const std::string& fileName) { return forceFile.Open(fileName); }

  // The step, the (unused) iteration settings and SGNT, handed to the system at once.
  void WriteHeader(double stepSize, double brakeSpeedLimit);
  // One line of the forces unless one of them is not finite.
  void WriteForceLine(const ValidatorForces& forces);
  // Pushes both files to disk; the run calls it once the history is exhausted.
  void Flush();

  // The system's error number of the first failed write of each file (ENOSPC
  // for a full disk); 0 while none failed.
  int ResultFileError() const { return resultFileError; }
  int ForceFileError() const { return forceFileError; }

 private:
  OutputFile resultFile;
  OutputFile forceFile;
  int resultFileError = 0;
  int forceFileError = 0;
  // One formatted force line; 8 numbers of at most 13 characters and their separators.
  std::array<char, 160> lineBuffer{};
};

class ValidatorTrainModel {
 public:
  // The reference vehicle with `parameters`, integrated with the step `step`.
  explicit ValidatorTrainModel(double step, const ValidatorParameters& parameters = {});

  // Stores a copy of the brake and traction history (columns 0 .. 3 brake inputs of
  // wheelsets 1 to 4, column 4 traction), one row per `samplePeriod` seconds.
  void SetForceHistory(const Matrix& history, double samplePeriod);
  // False, with a one-line reason, when the history cannot drive a run.
  bool CheckForceHistory(std::string& reason) const;
  bool HasUsableHistory() const;
  // Where the header and the force lines go from now on; `files` must outlive
  // the writing. Without, nothing is written.
  void WriteTo(ValidatorFiles& files) { output = &files; }

  // x' = f(t, x); returns 0, or -1 when the history row used is the last one or
  // beyond (the end of the run). Appends A1..A4, R1..R4 to the force file unless
  // one of them is not finite. Needs a usable history.
  int Derivative(double t, const ValidatorState& x, ValidatorState& dxdt);
  // The forces at (t, x) without writing anything; returns the same status.
  int EvaluateForces(double t, const ValidatorState& x, ValidatorForces& forces) const;
  // The linear mechanics alone, for comparing the reference vehicle with another
  // model: the accelerations of the 13 freedoms of the bodies and wheelsets
  // (entries 0 .. 12 of `accelerations`) at the state `x` under the wheelset
  // forces given (adhesion Ak and brake Bk of each wheelset, the traction T),
  // and the primary vertical forces Vk, the normal forces less the static load
  // and the brake's share. Writes nothing.
  void Mechanics(const ValidatorState& x, const PerWheelset& adhesion, const PerWheelset& brake,
                 double traction, ValidatorState& accelerations,
                 PerWheelset& primaryVertical) const;
  // The forces of the last `Derivative` call.
  const ValidatorForces& LastForces() const { return lastForces; }

  // The result file header (see ValidatorFiles::WriteHeader).
  void WriteHeader();
  // Pushes both files to disk.
  void FlushFiles();

  double StepSize() const { return stepSize; }
  const ValidatorParameters& Parameters() const { return par; }

  // Saturation: y / y0 inside |y| < y0, otherwise +1 for y >= 0 and -1 for y < 0.
  static double Saturation(double y, double y0);

 private:
  void ComputeSuspension(const ValidatorState& x, ValidatorForces& forces) const;
  void ComputeWheelsets(const ValidatorState& x, const double* inputs,
                        ValidatorForces& forces) const;
  void ComputeAccelerations(const ValidatorState& x, const ValidatorForces& forces,
                            ValidatorState& dxdt) const;

  double stepSize;
  double samplePeriod = 0.005;
  ValidatorParameters par;
  // Direction of the suspension elements; the vertical angle is the rounded pi/2,
  // so its cosine is a tiny non-zero number.
  double longitudinalCos;
  double longitudinalSin;
  double verticalCos;
  double verticalSin;

  Matrix forceHistory;
  int forceHistoryRows = 0;
  ValidatorForces lastForces;
  ValidatorFiles* output = nullptr;
};
