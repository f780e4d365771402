#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "vehicle/BrakeSys.h"
#include "vehicle/Resistance.h"

namespace {

TBrakeSys Brakes(const char* parameters) {
  std::istringstream in(parameters);
  std::ostringstream log;
  TBrakeSys brakes;
  EXPECT_TRUE(brakes.ReadPar(in, log));
  EXPECT_EQ("\nTBrakeSys::ReadPar() successfully finished.\n", log.str());
  return brakes;
}

TEST(TBrakeSysTest, ForceFollowsTheWheelAndFadesBelowTheThreshold) {
  TBrakeSys brakes = Brakes("BRKSYS 1000 0.1");
  struct Case {
    double demand;
    double wheelSpeed;
    double force;
  };
  const Case cases[] = {
      {2, 0.05, 1000}, {2, 5, 2000}, {2, -5, -2000}, {2, 0, 0}, {-2, 5, 2000}, {2, -0.05, -1000},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(brakes.DoStep({c.demand}, {c.wheelSpeed}));
    EXPECT_DOUBLE_EQ(c.force, brakes.BrakeForce()[0]) << c.demand << " at " << c.wheelSpeed;
  }
}

TEST(TBrakeSysTest, DemandAndWheelCountsMayDiffer) {
  TBrakeSys brakes = Brakes("BRKSYS 10 0.1");
  EXPECT_TRUE(brakes.DoStep({1}, {3, 3, 3}));
  EXPECT_EQ((std::vector<double>{10, 0, 0}), brakes.BrakeForce());
  EXPECT_FALSE(brakes.DoStep({1, 1, 1}, {3, 3}));
  EXPECT_EQ((std::vector<double>{10, 10}), brakes.BrakeForce());
}

// A threshold of 0 gives a braked wheel at rest the full force, a negative one
// pushes a rolling wheel along: either moves a braked vehicle at rest.
TEST(TBrakeSysTest, MissingValuesAndThresholdsNotAboveZeroFailTheReading) {
  const std::pair<const char*, std::string> cases[] = {
      {"BRKSYS 1000\n", ""},
      {"BRKSYS 1000 0\n",
       "\nError - BRKSYS speed threshold 0 must be above 0 m/s, or a braked wheel at rest is "
       "driven.\n"},
      {"BRKSYS 1000 -0.05\n",
       "\nError - BRKSYS speed threshold -0.05 must be above 0 m/s, or a braked wheel at rest is "
       "driven.\n"},
  };
  for (const auto& [text, error] : cases) {
    std::istringstream in(text);
    std::ostringstream log;
    TBrakeSys brakes;
    EXPECT_FALSE(brakes.ReadPar(in, log)) << text;
    EXPECT_EQ(error + "\nTBrakeSys::ReadPar() is not successfull.\n", log.str());
  }
}

// The resistance opposes the mean speed: c v |v|, backwards as well.
TEST(TResistanceTest, QuadraticInTheMeanSpeedAgainstItsDirection) {
  std::istringstream in("RESIST 2 9 9 9 9 9 9");
  std::ostringstream log;
  TResistance res;
  ASSERT_TRUE(res.ReadPar(in, log));
  EXPECT_EQ("\nTResistance::ReadPar() successfully finished.\n", log.str());

  EXPECT_TRUE(res.Compute({10, 20}, {0, 0}, {0, 0}, {0, 0}));
  EXPECT_DOUBLE_EQ(450.0, res.TotalResistance());
  EXPECT_EQ((std::vector<double>{0, 0}), res.AxleResistance());
  EXPECT_EQ((std::vector<double>{0, 0}), res.AxleResistanceB());

  EXPECT_TRUE(res.Compute({-3}, {0}, {0}, {0}));  // one axle: its speed
  EXPECT_DOUBLE_EQ(-18.0, res.TotalResistance());
  EXPECT_TRUE(res.Compute({-10, -20}, {0, 0}, {0, 0}, {0, 0}));
  EXPECT_DOUBLE_EQ(-450.0, res.TotalResistance());

  EXPECT_FALSE(res.Compute({10, 20}, {0, 0}, {0}, {0, 0}));
  EXPECT_DOUBLE_EQ(450.0, res.TotalResistance());
}

TEST(TResistanceTest, AllSevenCoefficientsMustBeThere) {
  std::istringstream in("RESIST 2 9 9 9 9 9\n");
  std::ostringstream log;
  TResistance res;
  EXPECT_FALSE(res.ReadPar(in, log));
  EXPECT_EQ("\nTResistance::ReadPar() is not successfull.\n", log.str());
}

}  // namespace
