#pragma once

// Everything of the vehicle system that changes while it steps, as one value:
// what the next step starts from and what a time-series row reads. The
// parameters, the step matrices and the work space stay with the parts. A
// state can be copied, compared and handed back to the vehicle it came from
// (Kelvra::Snapshot and Kelvra::Restore).

#include <vector>

struct VehicleState {
  std::vector<double> linearState;  // x: all velocities, then all displacements
  // Per axle, the outputs of x.
  std::vector<double> vehicleSpeed;
  std::vector<double> normalForce;
  std::vector<double> position;
  // Per axle, the wheelsets.
  std::vector<double> wheelSpeed;
  std::vector<double> wheelTravel;
  std::vector<double> adhesionForce;
  // Per axle, the means of the last step's forces.
  std::vector<double> meanAdhesionForce;
  std::vector<double> meanBrakeForce;
  std::vector<double> meanNormalForce;
  // Per axle, the brake cylinders: the force applied at the end of the last
  // step and over it.
  std::vector<double> cylinderForce;
  std::vector<double> meanCylinderForce;
  unsigned adhesionSwitch = 0;  // the entry of the adhesion table the track has reached
  long long stepsSinceInit = 0;
  bool broken = false;  // a step left the state not finite

  bool operator==(const VehicleState&) const = default;
};
