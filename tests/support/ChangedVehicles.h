#pragma once

// Model files an engineer might write by changing the shipped vehicle, and a
// one-mass oscillator: the models whose step matrices the modal path alone
// cannot give exactly.

#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/ShippedVehicle.h"
#include "support/TestSupport.h"

namespace testing_support {

inline std::string ShippedModelText() {
  return ReadFile(ShippedModelFile(DataDir()));
}

// The shipped model with each of `edits` (text, replacement) applied once;
// empty when a text does not occur.
inline std::string ShippedModelEdited(
    const std::vector<std::pair<std::string, std::string>>& edits) {
  std::string model = ShippedModelText();
  for (const auto& [from, to] : edits) {
    const std::size_t at = model.find(from);
    if (at == std::string::npos) return "";
    model.replace(at, from.size(), to);
  }
  return model;
}

// A spring from the car to the ground: no free motion left, and no Jordan form.
inline std::string GroundTiedVehicle() {
  return ShippedModelEdited(
      {{"NODE    GroundTraction    Ground     -1.0   1.26\n",
        "NODE    GroundTraction    Ground     -1.0   1.26\nNODE GroundAnchor Ground -2.0 1.26\n"},
       {"FORCE   Prim4Vert ", "FORCE Anchor CarTraction GroundAnchor 1e5 0\nFORCE   Prim4Vert "}});
}

// A body of its own on a critically damped spring (k 1e5, m 1000, c 2e4),
// first in DOFS: the Jordan form covers the free motion but not this pair.
inline std::string VehicleWithCriticallyDampedBody() {
  return ShippedModelEdited(
      {{"BODY    Ground", "BODY Extra 1000 0 0 5 Y\nBODY    Ground"},
       {"NODE    GroundTraction ",
        "NODE ExtraTop Extra 0 0\nNODE ExtraGround Ground 0 4\nNODE    GroundTraction "},
       {"FORCE   Prim4Vert ", "FORCE ExtraSpring ExtraTop ExtraGround 1e5 2e4\nFORCE   Prim4Vert "},
       {"DOFS\nCar_X", "DOFS\nExtra_Y Car_X"},
       {"Y0 26\n", "Y0 28\n0 0\n"}});
}

// Every FORCE's stiffness times `factor`: the double zero of the free motion
// splits further than the Jordan form's test allows.
inline std::string StifferVehicle(double factor) {
  const std::regex force(R"(^(FORCE\s+\S+\s+\S+\s+\S+\s+)(\S+))", std::regex::multiline);
  std::string stiffer;
  std::string rest = ShippedModelText();
  std::smatch match;
  while (std::regex_search(rest, match, force)) {
    std::ostringstream stiffness;
    stiffness << std::stod(match[2].str()) * factor;
    stiffer += match.prefix().str() + match[1].str() + stiffness.str();
    rest = match.suffix().str();
  }
  return stiffer + rest;
}

// One mass of 1 kg on a vertical spring-damper: x'' + 2 zeta w x' + w^2 x = u.
inline std::string Oscillator(double naturalFrequency, double dampingRatio) {
  std::ostringstream model;
  model << "BEGIN\n"
           "BODY Mass 1 0 0 1 Y\n"
           "BODY Ground 0 0 0 0 FIX\n"
           "NODE Top Mass 0 0\n"
           "NODE Base Ground 0 0\n"
           "FORCE Spring Top Base "
        << naturalFrequency * naturalFrequency << ' ' << 2.0 * dampingRatio * naturalFrequency
        << "\nEXTFORCE Push Top Base\n"
           "END\nDOFS\nMass_Y\nEND\nDT 0.005\nY0 2\n0 0\n";
  return model.str();
}

}  // namespace testing_support
