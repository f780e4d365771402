#pragma once

// The brake force per axle from the driver's brake demand.

#include <istream>
#include <ostream>
#include <vector>

// The force follows the direction of the wheel's rotation. Below the threshold
// speed it is scaled down linearly with the speed, so that a stopping wheel is not
// thrown back and forth by a force that flips its sign from step to step.
class TBrakeSys {
 public:
  // BRKSYS: the brake gain and the brake speed threshold, which must be above 0.
  bool ReadPar(std::istream& in, std::ostream& log);
  // brakeForce[i] = |brakeDemand[i] gain| times the direction factor of wheel i;
  // axles without a demand get 0. False when there are more demands than wheels.
  bool DoStep(const std::vector<double>& brakeDemand, const std::vector<double>& wheelSpeed);
  // The same from the force each brake cylinder applies [N] (TBrakeCylinder):
  // brakeForce[i] = appliedForce[i] times `factor[i]` where factors are given
  // (a brake that holds its wheel, TBrakeHold), else the direction factor of
  // wheel i. False when there are more forces than wheels.
  bool Apply(const std::vector<double>& appliedForce, const std::vector<double>& wheelSpeed,
             const std::vector<double>* factor = nullptr);
  // The forces the brake inputs `brakeDemand` ask for, |input x gain|, one
  // per wheel of `demandForce` (0 where an input is missing).
  void DemandForces(const std::vector<double>& brakeDemand, std::vector<double>& demandForce) const;

  double BrakeGain() const { return brakeGain; }
  double BrakeSpeedThreshold() const { return brakeSpeedThreshold; }
  const std::vector<double>& BrakeForce() const { return brakeForce; }

 private:
  double brakeGain = 0.0;
  double brakeSpeedThreshold = 0.0;
  std::vector<double> brakeForce;
};
