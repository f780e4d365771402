#include "results/HistoryReplay.h"

#include <algorithm>
#include <utility>

void InputsOfRow(const Matrix& history, int row, std::vector<double>& brakeDemand,
                 double& tractionForce) {
  const std::size_t columns = static_cast<std::size_t>(history.num_cols());
  const auto cell = [&](std::size_t column) {
    return column < columns ? history[row][static_cast<int>(column)] : 0.0;
  };
  const std::size_t axles = brakeDemand.size();
  for (std::size_t j = 0; j < axles; ++j) brakeDemand[j] = cell(j);
  tractionForce = cell(axles);
}

void HistoryReplay::SetUp(Kelvra& vehicleSystem, std::shared_ptr<const Matrix> forceHistory) {
  vehicle = &vehicleSystem;
  history = forceHistory ? std::move(forceHistory) : std::make_shared<const Matrix>();
  timeStep = vehicleSystem.TimeStep();
  brakeDemand.assign(static_cast<std::size_t>(std::max(0, vehicleSystem.AxleCount())), 0.0);
  tractionForce = 0.0;
  steps = 0;
}

bool HistoryReplay::StepRow(int row) {
  InputsOfRow(*history, row, brakeDemand, tractionForce);
  return Step();
}

bool HistoryReplay::Step() {
  vehicle->DoStep(brakeDemand, tractionForce);
  if (vehicle->StateBroken()) return false;
  ++steps;
  recording.Record(Time(), brakeDemand, tractionForce, *vehicle);
  return true;
}
