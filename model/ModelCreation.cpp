#include "model/ModelCreation.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "model/TextPrepass.h"

namespace {

// Sizes `out` to `length` zeros unless it already has that length.
void SizeTo(Vector& out, int length) {
  if (out.dim() != length) out = Vector(length, 0.0);
}

}  // namespace

std::string StatusName(ModelStatus status) {
  switch (status) {
    case ModelStatus::FileNotExists:
      return "FileNotExists";
    case ModelStatus::FilePathOK:
      return "FilePathOK";
    case ModelStatus::ErrorInFile:
      return "ErrorInFile";
    case ModelStatus::FileParsedSuccessfully:
      return "FileParsedSuccessfully";
    case ModelStatus::BasicMatricesFailed:
      return "BasicMatricesFailed";
    case ModelStatus::BasicMatricesOK:
      return "BasicMatricesOK";
    case ModelStatus::AdvancedMatricesFailed:
      return "AdvancedMatricesFailed";
    case ModelStatus::AdvancedMatricesOK:
      return "AdvancedMatricesOK";
  }
  return "Unknown";
}

// The generate steps read the wheels' references, which are only sound after
// the whole chain has succeeded.
bool ModelCreation::Ready(const std::string& step) {
  if (status != ModelStatus::AdvancedMatricesOK) {
    log += "Cannot execute " + step + "() - There are no valid advanced system matrices!\n";
    return false;
  }
  log += "Executing " + step + "()\n";
  return true;
}

void ModelCreation::SetStatus(ModelStatus next) {
  status = next;
  log += "Status: " + StatusName(status) + "\n";
}

bool ModelCreation::CreateComponents(const std::string& fileName) {
  log += "***** ModelCreation Module Log *****\n\n";
  modelFileName = fileName;
  std::ifstream file;
  fileState = OpenTextInput(fileName, kModelFileLimit, file);
  status =
      fileState == TextInputState::Opened ? ModelStatus::FilePathOK : ModelStatus::FileNotExists;
  log += "Input file: " + fileName + "\n";
  log += "Status: " + StatusName(status) + "\n";
  if (fileState == TextInputState::Missing) {
    log += "Cannot execute CreateComponents() - Target file does not exist!\n";
    return false;
  }
  if (status != ModelStatus::FilePathOK) {
    log += "Cannot execute CreateComponents() - " + FileProblem() + "!\n";
    return false;
  }
  log += "Executing CreateComponents()\n";
  file.close();
  const bool parsed = components.ReadModelFile(fileName);
  SetStatus(parsed ? ModelStatus::FileParsedSuccessfully : ModelStatus::ErrorInFile);
  return parsed;
}

bool ModelCreation::CalculateBasicMatrices() {
  if (status != ModelStatus::FileParsedSuccessfully) {
    log += "Cannot execute CalculateBasicMatrices() - Input file is not parsed successfully!\n";
    return false;
  }
  log += "Executing CalculateBasicMatrices()\n";
  const ComponentManager& c = components;
  const bool built =
      basicMatrices.Build(c.Bodies(), c.Nodes(), c.Forces(), c.Dofs(), c.ExtForces(), c.Outdisps());
  SetStatus(built ? ModelStatus::BasicMatricesOK : ModelStatus::BasicMatricesFailed);
  return CalculateAdvancedMatrices();
}

bool ModelCreation::CalculateAdvancedMatrices() {
  if (status != ModelStatus::BasicMatricesOK) {
    log +=
        "Cannot execute CalculateAdvancedMatrices() - There are no valid basic system matrices "
        "for input!\n";
    return false;
  }
  log += "Executing CalculateAdvancedMatrices()\n";
  const ComponentManager& c = components;
  const bool built = advancedMatrices.Build(
      basicMatrices.GetMatrix('M'), basicMatrices.GetMatrix('S'), basicMatrices.GetMatrix('D'),
      basicMatrices.GetMatrix('E'), basicMatrices.GetMatrix('O'), c.Bodies(), c.Dofs(),
      c.ExtForces(), c.Outdisps());
  SetStatus(built ? ModelStatus::AdvancedMatricesOK : ModelStatus::AdvancedMatricesFailed);
  return built;
}

// The normal force's dynamic part c d' + k d reads the wheel's outdisp rows of
// U: row s gives d' and row o + s gives d.
bool ModelCreation::GenerateNormalForceMatrix(Matrix& out) {
  if (!Ready("GenerateNormalForceMatrix")) return false;
  const std::vector<Wheel>& wheels = components.Wheels();
  const int w = static_cast<int>(wheels.size());
  const int stateLength = 2 * static_cast<int>(components.Dofs().size());
  const Matrix& u = advancedMatrices.GetMatrix('U');
  const int o = static_cast<int>(components.Outdisps().size());
  out = Matrix(w, stateLength, 0.0);
  for (int i = 0; i < w; ++i) {
    const Force& force = components.Forces()[wheels[i].normalForce];
    const int s = wheels[i].normalOutdisp;
    for (int j = 0; j < stateLength; ++j) {
      out[i][j] = force.damping * u[s][j] + force.stiffness * u[o + s][j];
    }
  }
  return true;
}

// A wheel without load has no adhesion to drive or brake it.
bool ModelCreation::GenerateStaticAxleLoadVector(Vector& out) {
  if (!Ready("GenerateStaticAxleLoadVector")) return false;
  const std::vector<Wheel>& wheels = components.Wheels();
  SizeTo(out, static_cast<int>(wheels.size()));
  bool ok = true;
  for (int i = 0; i < out.dim(); ++i) {
    out[i] = wheels[i].constantNormalForce;
    ok = RequirePositive(wheels[i], "static load", out[i]) && ok;
  }
  return ok;
}

// The wheel's rotation is integrated with the reduced mass as its inertia.
bool ModelCreation::GenerateReducedMassVector(Vector& out) {
  if (!Ready("GenerateReducedMassVector")) return false;
  const std::vector<Wheel>& wheels = components.Wheels();
  SizeTo(out, static_cast<int>(wheels.size()));
  bool ok = true;
  for (int i = 0; i < out.dim(); ++i) {
    out[i] = wheels[i].reducedMass;
    ok = RequirePositive(wheels[i], "reduced mass", out[i]) && ok;
  }
  return ok;
}

bool ModelCreation::RequirePositive(const Wheel& wheel, const char* what, double value) {
  if (value > 0.0) return true;
  std::ostringstream line;
  line << "Error - Wheel " << QuotedExcerpt(wheel.name) << ": " << what << " " << value
       << " must be above 0!\n";
  log += line.str();
  return false;
}

bool ModelCreation::GenerateWheelIndices(std::vector<int>& dofIndices,
                                         std::vector<int>& stateIndices) {
  if (!Ready("GenerateWheelIndices")) return false;
  const std::vector<Wheel>& wheels = components.Wheels();
  const int n = static_cast<int>(components.Dofs().size());
  dofIndices.assign(wheels.size(), 0);
  stateIndices.assign(wheels.size(), 0);
  bool ok = true;
  for (size_t i = 0; i < wheels.size(); ++i) {
    int dof = components.FindDof(wheels[i].parentBody, 'X');
    if (dof >= n) {
      log += "Error: Parent body of Wheel " + QuotedExcerpt(wheels[i].name) +
             " does not have X DoF!\n";
      ok = false;
      dof = 0;
    }
    dofIndices[i] = dof;
    stateIndices[i] = dof + n;
  }
  return ok;
}

bool ModelCreation::GenerateBrakeForceRadii(Vector& out) {
  if (!Ready("GenerateBrakeForceRadii")) return false;
  const std::vector<Wheel>& wheels = components.Wheels();
  SizeTo(out, static_cast<int>(wheels.size()));
  bool ok = true;
  for (int i = 0; i < out.dim(); ++i) {
    const double offset = components.Nodes()[wheels[i].brakeNode].relX;
    out[i] = offset / wheels[i].radius;
    if (out[i] == 0.0) ok = false;
    // A radius next to nothing makes the ratio, and with it the brake force, infinite.
    if (!std::isfinite(out[i])) {
      std::ostringstream line;
      line << "Error - Wheel " << QuotedExcerpt(wheels[i].name) << ": brake force radius " << offset
           << " / " << wheels[i].radius << " is not finite!\n";
      log += line.str();
      ok = false;
    }
  }
  return ok;
}

const Matrix& ModelCreation::GetMatrix(char letter) const {
  switch (letter) {
    case 'A':
    case 'F':
    case 'U':
      return advancedMatrices.GetMatrix(letter);
    default:
      return basicMatrices.GetMatrix(letter);
  }
}

std::string ModelCreation::FileProblem() const {
  return TextInputProblem(fileState, modelFileName, kModelFileLimit);
}

std::string ModelCreation::GetLogText(char letter) const {
  switch (letter) {
    case 'A':
      return advancedMatrices.Log();
    case 'B':
      return basicMatrices.Log();
    case 'C':
      return components.Log();
    default:
      return log;
  }
}
