// Malformed model files end in a clean failure with findings, never a crash.

#include <gtest/gtest.h>

#include <random>

#include "ModelTestSupport.h"

namespace {

using testing_support::TempFolder;

// Runs the whole chain as the set-up does; false when any step failed.
bool RunChain(ModelCreation& model, const std::string& fileName) {
  if (!model.CreateComponents(fileName) || !model.CalculateBasicMatrices()) return false;
  model_testing::Coupling coupling;
  return coupling.Generate(model);
}

std::string RandomBytes(unsigned seed, size_t length) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string text;
  for (size_t i = 0; i < length; ++i) text += static_cast<char>(byte(random));
  return text;
}

// Random lines of keywords and words, some of them names used before.
std::string RandomLines(unsigned seed, int lines) {
  const char* words[] = {"BODY", "NODE", "FORCE", "EXTFORCE", "OUTDISP", "WHEEL",
                         "A",    "B",    "N",     "E",        "F",       "1",
                         "0",    "-1",   "X",     "FIX",      "|",       "XYR"};
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> pick(0, 17);
  std::uniform_int_distribution<int> count(0, 12);
  std::string text = "BEGIN\n";
  for (int i = 0; i < lines; ++i) {
    const int n = count(random);
    for (int j = 0; j < n; ++j) text += std::string(words[pick(random)]) + " ";
    text += "\n";
  }
  return text + "END\nDOFS A_X B_X A_X X_ END\n";
}

TEST(RobustnessTest, MalformedFilesFailCleanly) {
  struct Case {
    const char* title;
    std::string text;
    const char* finding;  // a text the logs must hold
    ModelStatus status;
  };
  std::string manyDofs = "BEGIN\nBODY A 1 1 0 0 XYR\nEND\nDOFS";
  for (int i = 0; i < 20000; ++i) manyDofs += " A_X";
  const Case cases[] = {
      {"empty file", "", "Error - Keyword BEGIN not found.\n", ModelStatus::ErrorInFile},
      {"binary garbage", RandomBytes(1, 1 << 16), "Error - Keyword BEGIN not found.\n",
       ModelStatus::ErrorInFile},
      {"garbage after BEGIN", "BEGIN\n" + RandomBytes(2, 1 << 16),
       "Error - Keyword END not found!\n", ModelStatus::ErrorInFile},
      {"lines of only keywords",
       "BEGIN\nBODY\nNODE\nFORCE\nEXTFORCE\nOUTDISP\nWHEEL\nEND\nDOFS\nEND\nDOFS BEGIN",
       "Number of invalid components: 6\n", ModelStatus::ErrorInFile},
      {"random component lines", RandomLines(3, 400),
       "Number of invalid components: ", ModelStatus::ErrorInFile},
      {"a wheel on pairs of invalid lines before any node",
       "BEGIN\nBODY W 1 0 0 0 X\nEXTFORCE E a b\nOUTDISP O a b\nFORCE F a b 1 1\n"
       "WHEEL Wh W F O E E 1 1 1\nEND\n",
       "Error - The specified Extforce 'E' does not have any node on the parent body of Wheel "
       "'Wh'!\n",
       ModelStatus::ErrorInFile},
      {"numbers that overflow", "BEGIN\nBODY A 1e999 inf 0 0 X\nEND\n",
       "Error - Cannot convert mass from string to double in Body 'A'!\n"
       "Error - Cannot convert inertia from string to double in Body 'A'!\n",
       ModelStatus::ErrorInFile},
      {"coordinates whose sum overflows",
       "BEGIN\nBODY A 1 1 1e308 0 X\nBODY G 0 0 -1e308 0 FIX\nNODE N1 A 1e308 0\n"
       "NODE N2 G -1e308 0\nFORCE K N1 N2 1 1\nEND\n",
       "Error - The node positions of 'K' are not finite numbers!\n",
       ModelStatus::BasicMatricesFailed},
      {"a mass too small to invert", "BEGIN\nBODY A 1e-320 1 0 0 X\nEND\n",
       "Error - Singular mass matrix: it has no finite inverse!\n",
       ModelStatus::AdvancedMatricesFailed},
      {"a stiffness that overflows the system matrix",
       "BEGIN\nBODY A 1e-300 1 0 0 X\nBODY G 0 0 0 0 FIX\nNODE N1 A 1 0\nNODE N2 G 0 0\n"
       "FORCE K N1 N2 1e300 0\nEND\n",
       "Error - Cannot assemble system matrix 'A'! Its elements overflow!\n",
       ModelStatus::AdvancedMatricesFailed},
      {"twenty thousand DOF names", manyDofs,
       "Warning - Too much (20000) user defined DOF string! Duplicates and invalid ones will be "
       "removed!\n",
       ModelStatus::AdvancedMatricesOK},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    folder.Write("model.in", c.text);
    ModelCreation model;
    const bool ok = RunChain(model, (folder.Path() / "model.in").string());
    EXPECT_EQ(c.status == ModelStatus::AdvancedMatricesOK, ok) << c.title;
    EXPECT_EQ(c.status, model.Status()) << c.title;
    const std::string logs = model.GetLogText('C') + model.GetLogText('B') + model.GetLogText('A') +
                             model.GetLogText('M');
    EXPECT_NE(std::string::npos, logs.find(c.finding)) << c.title;
  }
}

TEST(RobustnessTest, AFolderIsNoModelFile) {
  TempFolder folder;
  ModelCreation model;
  EXPECT_FALSE(RunChain(model, folder.Path().string()));
  EXPECT_NE(ModelStatus::AdvancedMatricesOK, model.Status());
}

}  // namespace
