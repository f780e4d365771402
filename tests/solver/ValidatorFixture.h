#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "linalg/Matrix.h"
#include "solver/ValidatorTrainModel.h"
#include "support/TestSupport.h"

// The validator's two files in a fresh folder of the test's own, opened the
// way a validator run opens them.
class ValidatorFilesTest : public ::testing::Test {
 protected:
  static constexpr const char* kResultFile = "ode1_train17_rk4_result.txt";
  static constexpr const char* kForceFile = "ruku_forces.txt";

  // Opens both files and has `model` write into them.
  void WriteFilesOf(ValidatorTrainModel& model) {
    ASSERT_TRUE(files.OpenResultFile((folder.Path() / kResultFile).string()));
    ASSERT_TRUE(files.OpenForceFile((folder.Path() / kForceFile).string()));
    model.WriteTo(files);
  }

  std::string ResultText() const { return folder.Read(kResultFile); }
  std::vector<std::string> ForceLines() const {
    std::istringstream text(folder.Read(kForceFile));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

  testing_support::TempFolder folder;
  ValidatorFiles files;
};

// `rows` samples of equal brake inputs on all four wheelsets and one traction value.
inline Matrix ConstantHistory(int rows, double brake, double traction) {
  Matrix history(rows, 5, brake);
  for (int r = 0; r < rows; ++r) history[r][4] = traction;
  return history;
}
