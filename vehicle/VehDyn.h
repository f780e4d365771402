#pragma once

// The vehicle dynamics: the linear vehicle model with its per-axle outputs, the
// brakes, the running resistance and the wheelset rotation.

#include <ostream>

#include "solver/MtrxVeh.h"
#include "vehicle/AxleIntegrator.h"
#include "vehicle/BrakeSys.h"
#include "vehicle/Resistance.h"
#include "vehicle/VehicleModel.h"

// The parts are driven one by one by the vehicle-system step, so they are open.
class TVehDyn {
 public:
  // Takes over the linear model of `model`: its step matrices and initial
  // state for MtrxVeh, its normal forces and wheel entries for VehOut.
  bool SetPar(const VehicleModel& model, std::ostream& log);
  void Init();

  TBrakeSys BrkSys;
  TResistance Res;
  TMtrxVeh MtrxVeh;
  TMtrxVehOut VehOut;
  TAxleIntegrator AxleRot;
};
