#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/CommandLine.h"
#include "framework/Framework.h"
#include "framework/OrderedJobs.h"

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
      {{"--modes"}, Framework::kRequestRealTimeExternalForce},
      {{"--format", "hdf5", "--history", "h.in"}, Framework::kRequestGraphicsDisplay},
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
  EXPECT_FALSE(study.commandLine.writeModes);
  EXPECT_TRUE(Parse({"--batch", "--history", "h.in", "--modes"}).commandLine.writeModes);
  EXPECT_EQ(ResultFormat::kCsv, study.commandLine.resultFormat);
  EXPECT_EQ(ResultFormat::kHdf5, Parse({"--format=hdf5"}).commandLine.resultFormat);
  EXPECT_EQ(ResultFormat::kCsv, Parse({"--format", "csv"}).commandLine.resultFormat);
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
      {{"--frobnicate=1"}, "unknown option --frobnicate"},
      {{"--console=yes", "--history", "h"}, "--console takes no value"},
      {{"--console", "--history", "h", "--modes=all"}, "--modes takes no value"},
      {{"--console", "--history", "h", "--format", "HDF5"},
       "--format needs csv or hdf5, not 'HDF5'"},
      {{"--console", "--history", "h", "--format"}, "--format needs a value"},
      {{"--console", "--history", "h", "--jobs", "2"},
       "--jobs applies to batch runs and studies only"},
      {{"--history", "h", "--sets=1"}, "--sets applies to batch runs and studies only"},
      {{"--console", "--history", "h", "extra"},
       "unexpected argument 'extra': window system arguments apply to the window runs only"},
      {{"--batch", "--history=", "--jobs=2"}, "--history needs a value"},
      // A folder or file option with an empty or forgotten value would write
      // into "/" or the current folder, or be silently dropped.
      {{"--console", "--history", "h", "--results="}, "--results needs a value"},
      {{"--console", "--history", "h", "--results", ""}, "--results needs a value"},
      {{"--results", "--console", "--history", "h"}, "--results needs a value"},
      {{"--study=", "--history", "h"}, "--study needs a value"},
      {{"--log-dir="}, "--log-dir needs a value"},
      {{"--console", "--history", "h", "--model="}, "--model needs a value"},
  };
  for (const Case& c : cases) {
    const Parsed parsed = Parse(c.words);
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(c.error, parsed.error);
  }
  EXPECT_FALSE(Parse({"--help", "--verbosity"}).ok);
  EXPECT_TRUE(Parse({"-h"}).commandLine.showHelp);
  EXPECT_TRUE(Parse({"--batch", "--version"}).commandLine.showVersion);
  EXPECT_TRUE(Parse({"--console", "--help"}).commandLine.showHelp);
}

// Each value comes as the next word or after the first '='; a results folder
// named with trailing slashes is the same folder.
TEST(CommandLineTest, OptionValuesAndTheirDefaults) {
  const Parsed defaults = Parse({"--batch", "--history", "h.in"});
  ASSERT_TRUE(defaults.ok);
  EXPECT_EQ("combined_train17_GEN.in", defaults.commandLine.modelFile);
  EXPECT_EQ("results", defaults.commandLine.resultsFolder);
  EXPECT_EQ(DefaultJobCount(), defaults.commandLine.jobs);
  EXPECT_TRUE(defaults.commandLine.sets.Whole());

  const Parsed given = Parse({"--batch", "--history=a=b.in", "--model=m.in", "--results", "out//",
                              "--jobs=3", "--sets", "10-19", "--log-dir=logs"});
  ASSERT_TRUE(given.ok) << given.error;
  EXPECT_EQ("a=b.in", given.commandLine.historyFile);
  EXPECT_EQ("m.in", given.commandLine.modelFile);
  EXPECT_EQ("out", given.commandLine.resultsFolder);
  EXPECT_EQ(3, given.commandLine.jobs);
  EXPECT_EQ(10, given.commandLine.sets.first);
  EXPECT_EQ(19, given.commandLine.sets.last);
  EXPECT_EQ("logs", given.commandLine.logDirectory);
  EXPECT_EQ("/", Parse({"--results=/"}).commandLine.resultsFolder);

  const Parsed one = Parse({"--batch", "--history", "h", "--sets=7", "--jobs", "1024"});
  ASSERT_TRUE(one.ok) << one.error;
  EXPECT_EQ(7, one.commandLine.sets.first);
  EXPECT_EQ(7, one.commandLine.sets.last);
  EXPECT_EQ(1024, one.commandLine.jobs);

  // After "--" every word is the window system's.
  const Parsed ended = Parse({"--history", "h", "--", "--console", "-h"});
  ASSERT_TRUE(ended.ok);
  EXPECT_FALSE(ended.commandLine.showHelp);
  EXPECT_EQ((std::vector<std::string>{"kelvra", "--console", "-h"}), ended.windowWords);
}

TEST(CommandLineTest, JobCountsAndSetRangesMustBeWholeNumbersFromOne) {
  const std::string sets =
      "--sets needs a set number or a range of them such as 10-19 (from 1, the first set first), "
      "not ";
  const std::string jobs = "--jobs needs a whole number from 1 to 1024, not ";
  struct Case {
    std::string option;
    std::string error;
  };
  const Case cases[] = {
      {"--jobs=0", jobs + "'0'"},
      {"--jobs=2.5", jobs + "'2.5'"},
      {"--jobs=-1", jobs + "'-1'"},
      {"--jobs=+2", jobs + "'+2'"},
      {"--jobs= 2", jobs + "' 2'"},
      {"--jobs=1025", jobs + "'1025'"},
      {"--jobs=99999999999", jobs + "'99999999999'"},
      {"--sets=0-3", sets + "'0-3'"},
      {"--sets=5-2", sets + "'5-2'"},
      {"--sets=3-", sets + "'3-'"},
      {"--sets=-3", sets + "'-3'"},
      {"--sets=1-2-3", sets + "'1-2-3'"},
      {"--sets=", sets + "''"},
      {"--sets=x", sets + "'x'"},
  };
  for (const Case& c : cases) {
    const Parsed parsed = Parse({"--batch", "--history", "h", c.option});
    EXPECT_FALSE(parsed.ok) << c.option;
    EXPECT_EQ(c.error, parsed.error);
  }
}

}  // namespace
