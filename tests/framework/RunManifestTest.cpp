// The pieces of a run's record: the SHA-256 of a file, checked against known
// digests and sha256sum, and the model's settings and optional sections as
// the record lists them.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "framework/FileDigest.h"
#include "framework/RunManifest.h"
#include "support/TestSupport.h"

namespace {

using testing_support::RunIn;
using testing_support::TempFolder;

TEST(FileDigestTest, Sha256EqualsKnownDigestsAndSha256sum) {
  TempFolder folder;
  // 200000 bytes run over several reads of the file.
  std::string large;
  for (int i = 0; i < 200000; ++i) large += static_cast<char>((i * 7919) % 251);
  folder.Write("empty", "");
  folder.Write("abc", "abc");
  folder.Write("large", large);
  const auto digest = [&](const std::string& name) {
    std::string text;
    EXPECT_TRUE(FileSha256((folder.Path() / name).string(), text)) << name;
    return text;
  };
  EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", digest("empty"));
  EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", digest("abc"));
  const auto sum = RunIn(folder.Path(), "sha256sum large");
  ASSERT_EQ(0, sum.exitCode);
  EXPECT_EQ(sum.out.substr(0, 64), digest("large"));
  std::string missing = "x";
  EXPECT_FALSE(FileSha256((folder.Path() / "missing").string(), missing));
  EXPECT_TRUE(missing.empty());
}

// The optional sections the model text holds, with their numbers, whatever
// their comments and layout; sections it does not hold are left out.
TEST(RunManifestTest, ListsTheModelsSettingsAndOptionalSections) {
  RunRecord record;
  record.kind = "console";
  record.modelText =
      "DT 0.004 | time step\nITER 3\nLIM 0.05\nSUBDIV 12\n"
      "GRADIENT 2 | rows\n0 5\n120.5   -10\nBRKSYS 0.5 0.01\n"
      "V0 20\nWSP | on\n1\n";
  const nlohmann::json manifest = nlohmann::json::parse(ManifestText(record, 1));
  EXPECT_EQ(nlohmann::json::parse(R"({"DT": 0.004, "ITER": 3, "LIM": 0.05, "SUBDIV": 12})"),
            manifest["settings"]);
  EXPECT_EQ(nlohmann::json::parse(R"({"GRADIENT": [2, 0, 5, 120.5, -10], "WSP": [1], "V0": [20]})"),
            manifest["sections"]);
  EXPECT_EQ(1, manifest["exit_status"]);
  EXPECT_TRUE(manifest["files"].empty());
  // A window session that goes on has no exit status yet.
  EXPECT_TRUE(nlohmann::json::parse(ManifestText(record, std::nullopt))["exit_status"].is_null());
}

// Arguments are bytes: one that is no UTF-8 is kept, its bad byte replaced.
TEST(RunManifestTest, ArgumentsThatAreNoUtf8StillMakeARecord) {
  RunRecord record;
  record.commandLine = {"kelvra", "--history", "h\xff.in"};
  const nlohmann::json manifest = nlohmann::json::parse(ManifestText(record, 0));
  EXPECT_EQ("h\xEF\xBF\xBD.in", manifest["command_line"][2]);
}

}  // namespace
