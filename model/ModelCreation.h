#pragma once

// The front of model creation: parses the model file, builds the basic and the
// advanced matrices, and derives the data that couples the linear model to the
// vehicle system. Its status records how far the chain got.

#include <string>
#include <vector>

#include "linalg/Matrix.h"
#include "model/AdvancedMatrixManager.h"
#include "model/BasicMatrixManager.h"
#include "model/ComponentManager.h"
#include "model/TextInput.h"

enum class ModelStatus {
  FileNotExists,
  FilePathOK,
  ErrorInFile,
  FileParsedSuccessfully,
  BasicMatricesFailed,
  BasicMatricesOK,
  AdvancedMatricesFailed,
  AdvancedMatricesOK,
};

// The status's name; "Unknown" for a value outside the enumeration.
std::string StatusName(ModelStatus status);

class ModelCreation {
 public:
  bool CreateComponents(const std::string& fileName);
  // On success runs CalculateAdvancedMatrices and returns its result.
  bool CalculateBasicMatrices();
  bool CalculateAdvancedMatrices();

  // Per wheel (one row or entry each, in wheel-list order).
  // Row i applied to the state gives c d' + k d of the wheel's normal outdisp d.
  bool GenerateNormalForceMatrix(Matrix& out);
  // Static loads and reduced masses must be above 0; each one that is not is
  // named in the log and makes the step fail.
  bool GenerateStaticAxleLoadVector(Vector& out);
  bool GenerateReducedMassVector(Vector& out);
  // The state positions of the parent body's X velocity and X displacement.
  bool GenerateWheelIndices(std::vector<int>& dofIndices, std::vector<int>& stateIndices);
  // The brake node's relX divided by the wheel radius; false when one is 0 or,
  // with a message, not finite.
  bool GenerateBrakeForceRadii(Vector& out);

  // 'A', 'F', 'U' (advanced), 'D', 'E', 'M', 'O', 'S' (basic); else an empty matrix.
  const Matrix& GetMatrix(char letter) const;
  // 'A' advanced, 'B' basic, 'C' component manager log; else the module's own log.
  std::string GetLogText(char letter) const;
  ModelStatus Status() const { return status; }
  // Why the model file was refused unread ("Cannot open 'x'", "'x' is not a
  // regular file", ...); empty when it was read.
  std::string FileProblem() const;
  // Whether the model file was simply not there.
  bool FileMissing() const { return fileState == TextInputState::Missing; }
  const ComponentManager& Components() const { return components; }

 private:
  void SetStatus(ModelStatus next);
  bool Ready(const std::string& step);
  bool RequirePositive(const Wheel& wheel, const char* what, double value);

  std::string modelFileName;
  std::string log;
  ModelStatus status = ModelStatus::FileNotExists;
  TextInputState fileState = TextInputState::Missing;
  ComponentManager components;
  BasicMatrixManager basicMatrices;
  AdvancedMatrixManager advancedMatrices;
};
