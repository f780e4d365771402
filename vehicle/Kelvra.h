#pragma once

// The nonlinear vehicle system coupled with the linear vehicle model.

#include <cstdint>
#include <iostream>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "vehicle/Contact.h"
#include "vehicle/LineSections.h"
#include "vehicle/Temperature.h"
#include "vehicle/VehDyn.h"
#include "vehicle/VehicleModel.h"
#include "vehicle/VehicleState.h"

// Lays out the linear model's input: the adhesion force of every axle (with the
// per-axle resistance terms), then every axle's brake force as it acts on the
// vehicle (its sign set by the side of the brake), then the traction force less
// the running resistance, then zeros up to `inputCount` entries. `input` is
// resized only when its length differs.
void AssembleInput(double tractionForce, const TResistance& res,
                   const std::vector<double>& adhesionForce,
                   const std::vector<double>& brakeForceRadius,
                   const std::vector<double>& brakeForce, std::size_t inputCount,
                   std::vector<double>& input);

// One time step couples the two halves: the brake, resistance and adhesion forces
// are evaluated from the committed state and held constant while the linear model
// and the wheelsets advance; then, ITER times, they are re-evaluated from the
// newest estimate of the end of the step and the whole step is repeated with the
// forces ramping from their start to their end values; finally every part commits.
// On a real line (TLineSections) gravity along the track joins the inputs, each
// axle's adhesion capacity takes the level factor where it stands, and the
// brake forces come from the cylinders' applied forces and the holding brake.
class Kelvra {
 public:
  // Holds `model`, shared rather than copied. The parts that step the linear
  // model take its step matrices and normal forces in the form they multiply
  // fastest; the other parts start as copies of those its parameter sections
  // made. Init runs even when that failed; the result is true only when the
  // sections were read and the linear model fits. The log receives the
  // take-over's messages and those of the sections' reading.
  bool Create(const VehicleModel& model, std::ostream& log);
  // Back to the initial state with the wheels at rest; the result text holds only
  // its four header lines afterwards, InitialOutputs those of the initial state.
  bool Init(std::ostream& log);
  // Advances the coupled model by one time step. Failing parts are reported on the
  // console and make the result false; the step is completed all the same. A step
  // that leaves the state not finite is reported once, and the vehicle system
  // then refuses to step until Init.
  bool DoStep(const std::vector<double>& brakeDemand, double tractionForce);
  // The committed state as one value.
  VehicleState Snapshot() const;
  // Back to a state this vehicle was in; the steps then continue as they did
  // from there. False, changing nothing, when `state` does not fit the
  // vehicle's sizes. The last evaluation's forces (BrakeForce,
  // AdhesionCapacity) are those of the step made before the restore.
  bool Restore(const VehicleState& state);
  // A wheel lifts off the rail when its normal force falls to 0 or below: it
  // then carries no load and transmits no adhesion. Per axle, since Init: the
  // steps at whose end it was lifted and the end of the first of them.
  struct WheelLift {
    long long steps = 0;
    double firstTime = 0.0;  // seconds
  };
  const std::vector<WheelLift>& Lifts() const { return lifts; }
  // One line per wheel that lifted, with the time of its first lift and its
  // count, for the end of a run; empty when none did.
  std::string LiftReport() const;
  // Whether a step left the linear state or a wheel speed NaN or infinite.
  bool StateBroken() const { return stateBroken; }
  // Where the steps report their failures and a broken state; std::cout unless
  // set. The stream must outlive the stepping.
  void SetConsole(std::ostream& stream) { console = &stream; }

  // Batch runs change the integrator settings without reading. The time step must
  // be the one the linear model's step matrices were made for.
  bool ChangeAxleIntegratorPar(int subdiv, int iter, double lim, double timeStep,
                               std::ostream& log);

  // The result text: appended to only while its stream is good.
  void AppendResultText(const std::string& text);
  std::string ResultText() const { return resultText.str(); }
  // False when the file cannot be opened or written.
  bool WriteResultText(const std::string& fileName) const;
  // Picks the number that names the files of one run: the low 32 bits of the
  // performance counter as a signed number, which keeps names unique per run.
  // The result text and the time series of a run share it.
  void PickResultNumber();
  // The number picked last; picks one when none has been picked yet.
  std::int32_t ResultNumber();
  // "<folder>/_kelvra_result_<number>" followed by `extension`.
  std::string DefaultResultName(const std::string& extension,
                                const std::string& folder = "results");
  // Writes to DefaultResultName(".txt", folder); the name written goes to
  // `writtenName` when given.
  bool WriteDefaultResultText(std::string* writtenName = nullptr,
                              const std::string& folder = "results");

  // The time step the linear model's step matrices were made for, seconds.
  double TimeStep() const { return VehDyn.MtrxVeh.TimeStep(); }
  // Whether the last Create read every section successfully.
  bool Created() const { return created; }
  // What the vehicle is: the model of the last Create.
  const VehicleModel& Model() const { return model; }
  int AxleCount() const { return static_cast<int>(VehDyn.AxleRot.WheelSpeed().size()); }
  // The committed state of the linear model: all velocities, then all displacements.
  const std::vector<double>& LinearState() const { return VehDyn.MtrxVeh.State(); }
  const std::vector<double>& WheelSpeed() const { return VehDyn.AxleRot.WheelSpeedCommitted(); }
  const std::vector<double>& WheelTravel() const { return VehDyn.AxleRot.WheelTravelCommitted(); }
  const std::vector<double>& AdhesionForce() const {
    return VehDyn.AxleRot.AdhesionForceCommitted();
  }
  const std::vector<double>& NormalForce() const { return VehDyn.VehOut.NormalForceCommitted(); }
  const std::vector<double>& VehicleSpeed() const { return VehDyn.VehOut.VehicleSpeedCommitted(); }
  const std::vector<double>& Position() const { return VehDyn.VehOut.PositionCommitted(); }
  // The per-axle outputs of the initial linear state, worked out and committed
  // by Init: the state the vehicle and its first step start from, as the first
  // row of a time series shows it.
  struct AxleOutputs {
    std::vector<double> normalForce;
    std::vector<double> vehicleSpeed;
    std::vector<double> position;
  };
  const AxleOutputs& InitialOutputs() const { return initialOutputs; }
  // The brake forces and adhesion capacities of the last evaluation in the last step.
  const std::vector<double>& BrakeForce() const { return VehDyn.BrkSys.BrakeForce(); }
  // The forces the last step applied, each averaged over the step (its impulse
  // divided by the time step): per axle the brake force (positive where it
  // opposes forward rotation; the wheel feels it through the brake force
  // radius), the adhesion force on the wheel, and the normal force that set
  // the adhesion capacity. The brake and normal forces ramp from their start
  // values to their last estimates over the step, so their means are the
  // middle of the ramp; the adhesion force's impulse is the axle integrator's.
  // Zero before the first step.
  const std::vector<double>& MeanBrakeForce() const { return meanBrakeForce; }
  const std::vector<double>& MeanAdhesionForce() const {
    return VehDyn.AxleRot.MeanAdhesionForceCommitted();
  }
  const std::vector<double>& MeanNormalForce() const { return meanNormalForce; }
  const std::vector<double>& AdhesionCapacity() const { return Contact.AdhesionCapacity(); }
  // The force each brake cylinder applied over the last step, the mean of its
  // ramp from the start to the end of the step (TBrakeCylinder); zero while
  // neither BRKCYL nor BRKHOLD is active, and before the first step.
  const std::vector<double>& MeanCylinderForce() const { return meanCylinderForce; }
  // Every part, read-only.
  const TVehDyn& Dynamics() const { return VehDyn; }
  const TLineSections& LineParts() const { return Line; }
  // Where the line sections find axle `axle` now: its line position [m] (the
  // displacement of its wheelset where the vehicle was handed no places), the
  // gradient [per mille] and the adhesion level factor there.
  double AxlePlace(std::size_t axle) const;
  double GradientAtAxle(std::size_t axle) const;
  double AdhesionLevelAtAxle(std::size_t axle) const;
  const TContact& ContactModel() const { return Contact; }

 private:
  // One state of the per-axle quantities, committed or new, and the linear
  // state they come from.
  struct AxleState {
    const std::vector<double>& linearState;
    const std::vector<double>& vehicleSpeed;
    const std::vector<double>& normalForce;
    const std::vector<double>& wheelSpeed;
    const std::vector<double>& position;
    const std::vector<double>& adhesionForce;
  };

  // The forces of one evaluation: the linear model's input vector and, per
  // axle, the resistance, the brake force and the adhesion capacity.
  struct AxleForces {
    std::vector<double>& input;
    const std::vector<double>& resistance;
    const std::vector<double>& brake;
    const std::vector<double>& capacity;
  };

  // Resistance, brake forces and adhesion capacities of `state`, held by the
  // parts, and the input vector, written to `input`; `atEnd` for an estimate
  // of the end of the step.
  bool EvaluateForces(const std::vector<double>& brakeDemand, double tractionForce,
                      const AxleState& state, bool atEnd, std::vector<double>& input);
  // The brake forces of `state`: from the brake inputs as the brake system
  // has them, or through the cylinders and the hold when either is active.
  bool EvaluateBrakes(const std::vector<double>& brakeDemand, const AxleState& state, bool atEnd);
  // Takes over `sections`, the model's line sections, with where the bodies
  // and wheels stand and gravity's step response; while GRADIENT is active the
  // linear model steps with gravity's inputs after its own.
  bool TakeOverLineSections(const TLineSections& sections, std::ostream& log);
  // The vehicle started at V0, before its outputs are worked out.
  void StartAtSpeed();
  // The parked wheelsets' adhesion forces in both inputs (TBrakeHold).
  void ParkHeldWheels(const AxleForces& start, const AxleForces& end);
  // Linear model and wheelsets over the step from the committed state, the
  // forces ramping from `start` to `end`.
  bool Advance(const AxleForces& start, const AxleForces& end);
  // The step means of the brake and normal forces, before the commit.
  void AverageOverStep(const std::vector<double>& startNormalForce);
  bool Commit();

  // The parts of `model` for the parts that step the linear model, and copies
  // of the parts its sections made; false when either does not fit.
  bool TakeOver(std::ostream& log);

  VehicleModel model;
  TVehDyn VehDyn;
  TTemperature Temperature;
  TContact Contact;
  TLineSections Line;
  // The first input of gravity along the track, after the model's own.
  std::size_t firstGravityInput = 0;
  // False, after saying which quantity and step, when the committed state holds
  // a NaN or an infinite value.
  bool CheckStateFinite();
  // False, after saying which axle and step, when a wheel could not be
  // integrated stably.
  bool CheckWheelsIntegrated();
  void RecordLifts();

  AxleOutputs initialOutputs;
  std::vector<WheelLift> lifts;
  std::ostringstream resultText;
  std::optional<std::int32_t> resultNumber;
  bool created = false;
  bool stateBroken = false;
  long long stepsSinceInit = 0;
  std::ostream* console = &std::cout;

  // Work space of DoStep, sized by Init: the start-of-step evaluation (0), the
  // newest input vector (1) and the normal forces of the last evaluation.
  std::vector<double> res0, brake0, cap0, u0, u1, endNormalForce;
  std::vector<double> meanBrakeForce, meanNormalForce, meanCylinderForce;
  std::vector<double> demandForce;  // per axle, |brake input x gain|
};
