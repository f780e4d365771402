#include "results/ValidatorStates.h"

std::vector<std::string> ValidatorStateRecorder::ColumnNames() {
  std::vector<std::string> names = {"time"};
  for (int i = 1; i <= kValidatorWheelsets; ++i) {
    for (const char* name :
         {"vehicle_speed", "wheel_speed", "slip", "adhesion_force", "normal_force"}) {
      names.push_back(std::string(name) + "_" + std::to_string(i));
    }
  }
  return names;
}

bool ValidatorStateRecorder::Open(const std::string& fileName) {
  return writer.Open(fileName, ColumnNames());
}

void ValidatorStateRecorder::Record(double time, const ValidatorState& state,
                                    const ValidatorForces& forces) {
  writer.Add(time);
  for (int k = 0; k < kValidatorWheelsets; ++k) {
    writer.Add(state[kValidatorWheelsetDof + k]);
    writer.Add(state[kValidatorWheelRotationDof + k]);
    writer.Add(forces.slip[k]);
    writer.Add(forces.adhesion[k]);
    writer.Add(forces.normal[k]);
  }
  writer.EndRow();
}
