// Reading the optional sections that follow WHLTMP: neutral ones change
// nothing, not even the log; every value out of its range, every miscount and
// every misplaced section is refused with what is wrong.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/SingleMassVehicle.h"
#include "support/TestSupport.h"
#include "vehicle/Kelvra.h"
#include "vehicle/LineSections.h"

namespace {

using testing_support::TempFolder;

const std::string kNeutral =
    "GRADIENT 1\n0 0\nADHLEVEL 1\n0 1\nBRKCYL 0 0\nBRKHOLD 0\nWSP 0\nV0 0\n";
const std::string kLineFailed = "\nLine.ReadPar() error in Kelvra\n";

std::string CreateLog(const std::string& text, bool& created) {
  TempFolder folder;
  folder.Write("model.in", text);
  Kelvra kelvra;
  std::ostringstream log;
  created = SingleMassVehicle().Create(kelvra, (folder.Path() / "model.in").string(), log);
  return log.str();
}

TEST(OptionalSectionsTest, NeutralSectionsLeaveTheVehicleAndItsLogAsWithoutThem) {
  const std::string plain = SingleMassVehicle().ParameterText();
  bool created = false;
  const std::string withoutLog = CreateLog(plain, created);
  ASSERT_TRUE(created) << withoutLog;
  // In any order, and each on its own as well.
  const std::string reordered = "V0 0\nWSP 0\nBRKHOLD 0\nBRKCYL 0 0\nADHLEVEL 0\nGRADIENT 0\n";
  for (const std::string& sections : {kNeutral, reordered, std::string("GRADIENT 2\n0 0\n5 0\n")}) {
    EXPECT_EQ(withoutLog, CreateLog(plain + sections, created)) << sections;
    EXPECT_TRUE(created) << sections;
  }
}

struct Refused {
  const char* sections;
  const char* message;
};

TEST(OptionalSectionsTest, ValuesOutOfRangeMiscountsAndRepeatsAreRefused) {
  const Refused cases[] = {
      {"GRADIENT 1\n0 150\n",
       "\nError - GRADIENT: row 1 has the value 150, which must lie from -100 to 100 per mille "
       "(the "
       "normal forces keep their static loads, which is right only for gentle gradients).\n"},
      {"GRADIENT 2\n0 1\n0 2\n",
       "\nError - GRADIENT: row 2 stands at 0 m, not beyond the row before at 0 m; the positions "
       "must ascend.\n"},
      {"GRADIENT 2\n0 1\n",
       "\nError - GRADIENT: row 2 of 2 must be one line of two numbers, position and value (the "
       "text ends before it).\n"},
      {"GRADIENT 1\n0 1 5\n",
       "\nError - GRADIENT: row 1 of 1 must be one line of two numbers, position and value, not "
       "'0 ...'.\n"},
      {"GRADIENT 1\n0 1\n5 2\n",
       "\nError - GRADIENT: the number '5' follows its values; it reads no more numbers than it "
       "expects.\n"},
      {"GRADIENT 1.5\n0 1\n",
       "\nError - GRADIENT: the row count '1.5' must be a whole number from 0 to 1000000.\n"},
      {"ADHLEVEL 1\n0 -0.5\n",
       "\nError - ADHLEVEL: row 1 has the value -0.5, which must not be negative (the friction "
       "would push the wheel on).\n"},
      {"ADHLEVEL 1\n0 0.5x\n",
       "\nError - ADHLEVEL: row 1 of 1 must be one line of two numbers, position and value, not "
       "'0 ...'.\n"},
      {"BRKCYL 1.5\n",
       "\nError - BRKCYL: the fill and release time constants '1.5' and '' must be two numbers "
       "from 0 to 1000 s (0 0 is the instant brake).\n"},
      {"BRKCYL -1 0\n",
       "\nError - BRKCYL: the fill and release time constants '-1' and '0' must be two numbers "
       "from 0 to 1000 s (0 0 is the instant brake).\n"},
      {"BRKCYL 1.5s 1\n",
       "\nError - BRKCYL: the fill and release time constants '1.5s' and '' must be two numbers "
       "from 0 to 1000 s (0 0 is the instant brake).\n"},
      {"BRKHOLD 2\n",
       "\nError - BRKHOLD '2' must be 0 (the linear band near standstill) or 1 (the brake holds a "
       "wheel at rest).\n"},
      {"WSP 1\n",
       "\nError - WSP '1': wheel slide protection is not yet available; WSP 0 is the only value "
       "accepted.\n"},
      {"V0 300\n", "\nError - V0: the start speed '300' must be a number from -200 to 200 m/s.\n"},
      {"V0 1e999\n",
       "\nError - V0: the start speed '1e999' must be a number from -200 to 200 m/s.\n"},
      {"V0 1 2\n",
       "\nError - V0: the number '2' follows its values; it reads no more numbers than it "
       "expects.\n"},
      {"BRKHOLD 1\nBRKHOLD 0\n",
       "\nError - BRKHOLD is given 2 times: each optional section may stand once.\n"},
  };
  const std::string plain = SingleMassVehicle().ParameterText();
  for (const Refused& c : cases) {
    bool created = true;
    const std::string log = CreateLog(plain + c.sections, created);
    EXPECT_FALSE(created) << c.sections;
    EXPECT_NE(std::string::npos, log.find(c.message)) << c.sections << "\n" << log;
    EXPECT_EQ(kLineFailed, log.substr(log.size() - std::min(log.size(), kLineFailed.size())))
        << c.sections;
  }
}

// A section ahead of WHLTMP would never be read: refused rather than passed over.
TEST(OptionalSectionsTest, ASectionAheadOfTheOthersIsRefused) {
  const std::string plain = SingleMassVehicle().ParameterText();
  bool created = true;
  const std::string log = CreateLog("BRKCYL 1 1\n" + plain, created);
  EXPECT_FALSE(created);
  EXPECT_NE(std::string::npos,
            log.find("\nError - BRKCYL stands before WHLTMP: the optional sections follow the "
                     "sections ITER to WHLTMP.\n"))
      << log;
}

// Every section is read, so that a file with several mistakes names them all.
TEST(OptionalSectionsTest, EverySectionIsReadAndEachProblemSaid) {
  bool created = true;
  const std::string log =
      CreateLog(SingleMassVehicle().ParameterText() + "BRKHOLD 3\nV0 x\n", created);
  EXPECT_FALSE(created);
  EXPECT_NE(std::string::npos, log.find("Error - BRKHOLD '3'")) << log;
  EXPECT_NE(std::string::npos, log.find("Error - V0: the start speed 'x'")) << log;
}

// A vehicle handed no places along the line (as this one, made of its step
// matrices alone) cannot take a gradient, an adhesion level or a start speed.
TEST(OptionalSectionsTest, LineSectionsNeedTheLinePlacesOfTheModel) {
  const Refused cases[] = {
      {"GRADIENT 1\n0 5\n", "\nError - GRADIENT: no gravity step response was worked out.\n"},
      {"ADHLEVEL 1\n0 0.5\n",
       "\nError - ADHLEVEL: the vehicle was handed no places of its wheels along the line.\n"},
      {"V0 10\n", "\nError - V0: the vehicle was handed no bodies that run along the track.\n"},
  };
  for (const Refused& c : cases) {
    bool created = true;
    const std::string log = CreateLog(SingleMassVehicle().ParameterText() + c.sections, created);
    EXPECT_FALSE(created) << c.sections;
    EXPECT_NE(std::string::npos, log.find(c.message)) << c.sections << "\n" << log;
  }
}

TEST(OptionalSectionsTest, TheActiveSectionsOfAModelTextAreNamed) {
  const std::string plain = SingleMassVehicle().ParameterText();
  std::vector<std::string> active;
  std::string error;
  ASSERT_TRUE(ActiveOptionalSections(plain + kNeutral, active, error)) << error;
  EXPECT_TRUE(active.empty());
  ASSERT_TRUE(
      ActiveOptionalSections(plain + "V0 3 | a start at speed\nBRKCYL 0 2\n", active, error))
      << error;
  EXPECT_EQ((std::vector<std::string>{"BRKCYL", "V0"}), active);
  EXPECT_EQ("BRKCYL and V0", SectionList(active));
  EXPECT_FALSE(ActiveOptionalSections(plain + "BRKHOLD 7\n", active, error));
  EXPECT_NE(std::string::npos, error.find("Error - BRKHOLD '7'")) << error;
}

}  // namespace
