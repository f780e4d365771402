#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/CommandLine.h"
#include "framework/Framework.h"

namespace {

// The parse result, with the window arguments copied while argv is still alive.
struct Parsed {
  bool ok;
  CommandLine commandLine;
  std::string error;
  std::vector<std::string> windowWords;
};

Parsed Parse(std::vector<std::string> words) {
  words.insert(words.begin(), "kelvra");
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  Parsed parsed;
  parsed.ok = ParseCommandLine(static_cast<int>(argv.size()), argv.data(), parsed.commandLine,
                               parsed.error);
  for (const char* word : parsed.commandLine.windowArguments) parsed.windowWords.push_back(word);
  parsed.commandLine.windowArguments.clear();
  return parsed;
}

TEST(CommandLineTest, OptionsSelectTheRunModes) {
  struct Case {
    std::vector<std::string> words;
    int flags;
  };
  const Case cases[] = {
      {{}, Framework::kRequestRealTimeExternalForce},
      {{"--history", "h.in"}, Framework::kRequestGraphicsDisplay},
      {{"--console", "--history", "h.in"}, 0},
      {{"--history", "h.in", "--batch"}, Framework::kRequestBatchRun},
      {{"--log-dir", "logs"}, Framework::kRequestRealTimeExternalForce},
      {{"--study", "s.csv", "--history", "h.in", "--states"}, 0},
  };
  for (const Case& c : cases) {
    const Parsed parsed = Parse(c.words);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(c.flags, parsed.commandLine.flags);
  }
  const Parsed full = Parse({"--console", "--history", "h.in", "--log-dir", "logs"});
  EXPECT_EQ("h.in", full.commandLine.historyFile);
  EXPECT_EQ("logs", full.commandLine.logDirectory);
  const Parsed study = Parse({"--study", "s.csv", "--history", "h.in", "--states"});
  EXPECT_EQ("s.csv", study.commandLine.studyFile);
  EXPECT_TRUE(study.commandLine.writeStates);
}

TEST(CommandLineTest, OtherArgumentsGoToTheWindowSystem) {
  const Parsed parsed = Parse({"-display", ":1", "--real-time", "-geometry", "800x600"});
  ASSERT_TRUE(parsed.ok);
  EXPECT_TRUE(parsed.commandLine.realTimePacing);
  EXPECT_EQ((std::vector<std::string>{"kelvra", "-display", ":1", "-geometry", "800x600"}),
            parsed.windowWords);
}

TEST(CommandLineTest, ErrorsNameTheProblem) {
  struct Case {
    std::vector<std::string> words;
    std::string error;
  };
  const Case cases[] = {
      {{"--console"}, "--console needs --history FILE"},
      {{"--batch"}, "--batch needs --history FILE"},
      {{"--console", "--batch", "--history", "h"}, "--console and --batch cannot be combined"},
      {{"--history"}, "--history needs a value"},
      {{"--verbose"}, "unknown option --verbose"},
      {{"--batch", "--history", "h", "--real-time"}, "--real-time applies to the window runs only"},
      {{"--study", "s.csv"}, "--study needs --history FILE"},
      {{"--study"}, "--study needs a value"},
      {{"--study", "s", "--history", "h", "--batch"}, "--study cannot be combined with --batch"},
      {{"--study", "s", "--history", "h", "--console"},
       "--study cannot be combined with --console"},
      {{"--study", "s", "--history", "h", "--real-time"},
       "--real-time applies to the window runs only"},
      {{"--study", "s", "--history", "h", "--log-dir", "L"},
       "--log-dir applies to console, batch and window runs only"},
  };
  for (const Case& c : cases) {
    const Parsed parsed = Parse(c.words);
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(c.error, parsed.error);
  }
  EXPECT_FALSE(Parse({"--help", "--verbosity"}).ok);
  EXPECT_TRUE(Parse({"--console", "--help"}).commandLine.showHelp);
}

}  // namespace
