#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "framework/Console.h"
#include "framework/Framework.h"
#include "support/TestSupport.h"

namespace {

using testing_support::KelvraBinary;
using testing_support::RunIn;
using testing_support::TempFolder;

const char* const kSR = "Simulator has defaulted to Single Run (SR) mode.\n";
const char* const kBR = "Simulator was set to Batch Run (BR) mode.\n";
const char* const kSEF = "Simulator has defaulted to Static External Force (SEF) mode.\n";
const char* const kSEFByBR =
    "Simulator has defaulted to Static External Force (SEF) mode, required by BR mode.\n";
const char* const kRTEF = "Simulator was set to Real Time External Force (RTEF) mode.\n";
const char* const kCD = "Simulator has defaulted to Console Display (CD) mode.\n";
const char* const kCDByBR =
    "Simulator has defaulted to Console Display (CD) mode, required by BR mode.\n";
const char* const kGD = "Simulator was set to Graphics Display (GD) mode.\n";
const char* const kGDByRTEF =
    "Simulator has defaulted to Graphics Display (GD) mode, required by RTEF mode.\n";

struct ModeCase {
  int flags;
  std::string lines;
  bool realTime;
  bool graphics;
  bool batch;
};

TEST(StartupTest, ModeResolutionForEveryFlagValue) {
  const ModeCase cases[] = {
      {0, std::string(kSR) + kSEF + kCD, false, false, false},
      {1, std::string(kSR) + kRTEF + kGDByRTEF, true, true, false},
      {2, std::string(kSR) + kSEF + kGD, false, true, false},
      {3, std::string(kSR) + kRTEF + kGD, true, true, false},
      {4, std::string(kBR) + kSEF + kCD, false, false, true},
      {5, std::string(kBR) + kSEFByBR + kCD, false, false, true},
      {6, std::string(kBR) + kSEF + kCDByBR, false, false, true},
      {7, std::string(kBR) + kSEFByBR + kCDByBR, false, false, true},
  };
  for (const ModeCase& c : cases) {
    TempFolder folder;
    Framework framework;
    testing::internal::CaptureStdout();
    framework.Initialize("", "", c.flags, (folder.Path() / "missing.in").string());
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(0u, out.find(c.lines)) << "flags " << c.flags << ":\n" << out;
    EXPECT_EQ(c.realTime, framework.RealTimeExternalForce()) << "flags " << c.flags;
    EXPECT_EQ(c.graphics, framework.GraphicsDisplay()) << "flags " << c.flags;
    EXPECT_EQ(c.batch, framework.BatchRun()) << "flags " << c.flags;
  }
}

const char* const kBanner =
    "____________    ____________________>____    \n"
    "[___][___][]|  /_] ###   Kelvra2   ### [_\\  \n"
    "__________[]| /___________________________\\ \n"
    "-------~o=o~+-+~o-o-o~=============~o-o-o~+  \n"
    "\nWARNING: For testing purposes only!\n\n";

TEST(StartupTest, BannerPlainAndColoured) {
  std::ostringstream plain;
  PrintBanner(plain, false);
  EXPECT_EQ(kBanner, plain.str());

  std::ostringstream coloured;
  PrintBanner(coloured, true);
  const std::string text = coloured.str();
  EXPECT_EQ(0u, text.find("\x1b[0m\x1b[97m____"));
  EXPECT_NE(std::string::npos, text.find("\x1b[97mKelvra2\x1b[94m"));
  EXPECT_NE(std::string::npos, text.find("\x1b[91m\nWARNING\x1b[0m: For testing"));
  EXPECT_NE(std::string::npos, text.find("\x1b[90m-------~o=o~"));
}

TEST(StartupTest, ProgramInAnEmptyFolderPrintsPlainTextAndExitsZero) {
  TempFolder folder;
  const auto result = RunIn(folder.Path(), "'" + KelvraBinary().string() + "'");
  EXPECT_EQ(0, result.exitCode);
  EXPECT_EQ(0u, result.out.find(std::string(kBanner) + kSR + kRTEF + kGDByRTEF)) << result.out;
  EXPECT_NE(std::string::npos, result.out.find("\nPress [ENTER] to exit..."));
  EXPECT_EQ(std::string::npos, result.out.find('\x1b'));
}

}  // namespace

namespace {

TEST(StartupTest, HelpAndOptionErrors) {
  TempFolder folder;
  const std::string program = "'" + KelvraBinary().string() + "'";
  const auto help = RunIn(folder.Path(), program + " --help");
  EXPECT_EQ(0, help.exitCode);
  EXPECT_EQ(0u, help.out.find("Usage: kelvra [OPTIONS]"));
  EXPECT_TRUE(help.err.empty());

  const auto wrong = RunIn(folder.Path(), program + " --console");
  EXPECT_EQ(2, wrong.exitCode);
  EXPECT_TRUE(wrong.out.empty());
  EXPECT_EQ(0u, wrong.err.find("kelvra: --console needs --history FILE\nUsage: kelvra"));

  const auto unknown = RunIn(folder.Path(), program + " --fast");
  EXPECT_EQ(2, unknown.exitCode);
  EXPECT_EQ(0u, unknown.err.find("kelvra: unknown option --fast\n"));
}

}  // namespace
