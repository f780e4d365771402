#include "results/ValidatorStates.h"

#include "results/ColumnCatalogue.h"

std::vector<std::string> ValidatorStateRecorder::ColumnNames() {
  return ::ColumnNames(FileColumns(FileKind::ValidatorStates, {}));
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
