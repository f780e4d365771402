#include "support/SingleMassVehicle.h"

#include <cmath>
#include <memory>
#include <sstream>
#include <utility>

SingleMassVehicle::SingleMassVehicle(int axleCount, double timeStep)
    : axles(axleCount), dt(timeStep) {
  BuildMatrices();
}

void SingleMassVehicle::BuildMatrices() {
  const std::size_t inputs = 2 * static_cast<std::size_t>(axles) + 1;
  std::vector<double> f(inputs, 0.0);
  for (int i = 0; i < axles; ++i) f[i] = -1.0 / mass;
  f[inputs - 1] = 1.0 / mass;

  std::vector<double> p(2 * inputs);
  std::vector<double> p1(2 * inputs);
  for (std::size_t j = 0; j < inputs; ++j) {
    p[j] = dt * f[j];
    p[inputs + j] = dt * dt / 2 * f[j];
    p1[j] = dt * dt / 2 * f[j];
    p1[inputs + j] = dt * dt * dt / 6 * f[j];
  }
  C.FromRowMajor(2, std::vector<double>{1, 0, dt, 1});
  P.FromRowMajor(2, p);
  P1.FromRowMajor(2, p1);
  N.FromRowMajor(static_cast<std::uint32_t>(axles), std::vector<double>(2 * axles, 0.0));

  staticAxleLoads.assign(axles, axleLoad);
  reducedMasses.assign(axles, reducedMass);
  brakeForceRadii.assign(axles, brakeRadius);
  wheelDofIndices.assign(axles, 0);
  wheelStateIndices.assign(axles, 1);
}

std::string SingleMassVehicle::ParameterText() const {
  std::ostringstream text;
  text << "| the linear model would stand here\nBEGIN\nEND\n"
       << "ITER " << iter << "   | additional iterations\n"
       << "LIM " << lim << "\n"
       << "SUBDIV " << subdiv << "\n"
       << "BRKSYS " << brakeGain << " " << brakeThreshold << "\n"
       << "RESIST " << quadraticResistance << " 0 0 0 0 0 0\n"
       << "ADHSET 2\n"
       << "0.3 0.5 5 100 2   | dry rail\n"
       << "0.3 0.5 5 100 2\n"
       << "ADHTBL\n"
       << switchPosition << " 1e9\n"
       << "0 1\n"
       << "HTIMPCT 1\n1 2 3\n"
       << "SETIDX 1\n";
  for (int i = 0; i < axles; ++i) text << "0 ";
  text << "\nWHLTMP\n";
  return text.str();
}

bool SingleMassVehicle::Create(Kelvra& kelvra, const std::string& modelFile,
                               std::ostream& log) const {
  VehicleDefinition definition;
  definition.modelFileName = modelFile;
  definition.initialState = initialState;
  // No places along the line: the sections that need them are refused.
  definition.coupling = {
      N, staticAxleLoads, reducedMasses, brakeForceRadii, wheelDofIndices, wheelStateIndices, {}};
  auto step = std::make_shared<const TimeStepMatrices>(TimeStepMatrices{C, P, P1, {}, dt});
  ReadParameterSections(*step, definition);
  const VehicleModel model(std::make_shared<const VehicleDefinition>(std::move(definition)),
                           std::move(step));
  return CreateVehicle(model, kelvra, log);
}

double Mu(double slip) {
  return 0.15 + 0.15 * std::exp(-std::fabs(slip) / 5.0);
}
