#include "PointMassVehicle.h"

#include <sstream>

#include "support/SingleMassVehicle.h"

bool CreatePointMassVehicle(Kelvra& vehicle, const testing_support::TempFolder& folder, int axles,
                            std::string& log) {
  SingleMassVehicle pointMass(axles, 0.005);
  pointMass.iter = 2;
  folder.Write("vehicle.in", pointMass.ParameterText());
  std::ostringstream out;
  const bool created = pointMass.Create(vehicle, (folder.Path() / "vehicle.in").string(), out);
  log = out.str();
  return created;
}
