#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "linalg/Matrix.h"
#include "support/TestSupport.h"

// Runs a test inside a fresh working folder with a results/ subfolder. The
// validator opens its files once per process, so every test that reads them must
// be the first in its process: ctest runs each test in its own, a plain run of the
// executable skips those tests after the first.
class InResultsFolder : public ::testing::Test {
 protected:
  static constexpr const char* kNeedsOwnProcess =
      "the validator files belong to an earlier test of this process; run it through ctest";

  static bool FirstInProcess() { return testsInProcess == 1; }

  void SetUp() override {
    ++testsInProcess;
    std::filesystem::create_directories(folder.Path() / "results");
    previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
  }
  void TearDown() override { std::filesystem::current_path(previous); }

  std::vector<std::string> ForceLines() const {
    std::istringstream text(folder.Read("results/ruku_forces.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

  testing_support::TempFolder folder;
  std::filesystem::path previous;

 private:
  static inline int testsInProcess = 0;
};

// `rows` samples of equal brake inputs on all four wheelsets and one traction value.
inline Matrix ConstantHistory(int rows, double brake, double traction) {
  Matrix history(rows, 5, brake);
  for (int r = 0; r < rows; ++r) history[r][4] = traction;
  return history;
}
