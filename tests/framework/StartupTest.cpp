#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "ProgramRun.h"
#include "framework/CommandLine.h"
#include "framework/Console.h"
#include "framework/Framework.h"
#include "support/TestSupport.h"

namespace {

using namespace program_run;
using testing_support::RunIn;
using testing_support::TempFolder;

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

// Without a model file the set-up fails, and a script can tell.
TEST(StartupTest, ProgramInAnEmptyFolderPrintsPlainTextAndExitsOne) {
  TempFolder folder;
  const auto result = RunIn(folder.Path(), KelvraCommand(""));
  EXPECT_EQ(1, result.exitCode);
  EXPECT_EQ(0u, result.out.find(std::string(kBanner) + kSR + kRTEF + kGDByRTEF)) << result.out;
  EXPECT_NE(std::string::npos, result.out.find("\nPress [ENTER] to exit..."));
  EXPECT_EQ(std::string::npos, result.out.find('\x1b'));
}

// Help and option errors end before the banner: nothing is read, nothing written.
TEST(StartupTest, HelpAndOptionErrors) {
  struct Case {
    const char* options;
    int exitCode;
    std::string out;
    std::string err;
  };
  const std::string usage = UsageText();
  EXPECT_NE(std::string::npos, usage.find("\nExit status:\n  0  "));
  const Case cases[] = {
      {"--help", 0, usage, ""},
      {"--version --batch", 0, "kelvra 2.0.0\n", ""},
      {"--console --help --log-dir L", 0, usage, ""},
      {"--console", 2, "", "kelvra: --console needs --history FILE\n" + usage},
      {"--batch --log-dir L", 2, "", "kelvra: --batch needs --history FILE\n" + usage},
      {"--console --batch --history h.in", 2, "",
       "kelvra: --console and --batch cannot be combined\n" + usage},
      {"--console --history h.in --real-time", 2, "",
       "kelvra: --real-time applies to the window runs only\n" + usage},
      {"--history", 2, "", "kelvra: --history needs a value\n" + usage},
      {"--history h.in --log-dir", 2, "", "kelvra: --log-dir needs a value\n" + usage},
      {"--log-dir L --fast", 2, "", "kelvra: unknown option --fast\n" + usage},
      {"--init", 2, "", "kelvra: --init needs a value\n" + usage},
      {"--init L --log-dir M", 2, "",
       "kelvra: --init DIR takes no other option or argument\n" + usage},
      {"--init L -display :1", 2, "",
       "kelvra: --init DIR takes no other option or argument\n" + usage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write("h.in", RampHistory(3));
    const auto run = RunIn(folder.Path(), KelvraCommand(c.options));
    EXPECT_EQ(c.exitCode, run.exitCode);
    EXPECT_EQ(c.out, run.out);
    EXPECT_EQ(c.err, run.err);
    EXPECT_FALSE(folder.Exists("L"));
    EXPECT_TRUE(ResultFiles(folder).empty());
  }
}

}  // namespace
