#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "CleanedText.h"
#include "model/TextPrepass.h"
#include "vehicle/AdhesionGenerator.h"
#include "vehicle/Contact.h"

namespace {

TEST(AdhesionCharacteristicTest, DerivesItsFieldsAndFallsWithSlip) {
  std::stringstream in = Cleaned("0.3 0.5 5 100 2\n");
  AdhesionCharacteristic c;
  std::ostringstream log;
  ASSERT_TRUE(c.Read(in, log));
  EXPECT_EQ("", log.str());
  EXPECT_DOUBLE_EQ(0.15, c.muFloor);
  EXPECT_DOUBLE_EQ(0.15, c.muDecaying);
  EXPECT_DOUBLE_EQ(100 * std::sqrt(1 / 0.3 - 1), c.Tmax);
  EXPECT_DOUBLE_EQ(0.3, c.Coefficient(0.0));
  EXPECT_DOUBLE_EQ(0.15 + 0.15 * std::exp(-1.0), c.Coefficient(5.0));
  EXPECT_DOUBLE_EQ(c.Coefficient(5.0), c.Coefficient(-5.0));
}

TEST(AdhesionCharacteristicTest, RefusesWrongCountsAndParametersWithoutPhysicalSense) {
  struct Case {
    const char* line;
    const char* log;
  };
  const Case cases[] = {
      {"0.3 0.5 5 100\n", "Param number error: 4!=5\n0.3\t0.5\t5\t100\n"},
      {"0.3 0.5 5 100 2 7\n", "Param number error: 6!=5\n0.3\t0.5\t5\t100\t2\t7\n"},
      {"1.2 0.5 5 100 2\n", "\nInternal error: StaticAdhesion(0,0,Tmax)!=1\n"},  // NaN power
      {"0 0.5 5 100 2\n", "\nInternal error: StaticAdhesion(0,0,Tmax)!=1\n"},
      {"0.3 0.5 0 100 2\n", "\nInternal error: StaticAdhesion(0,0,Tmax)!=1\n"},  // 0/0
      // Normalised, but a friction that turns negative or grows with slip.
      {"-0.3 0.5 5 100 1\n",
       "\nError - ADHSET: muStatic -0.3 must be above 0 (the friction would be negative or "
       "nil).\n"},
      {"0.3 1.5 5 100 2\n",
       "\nError - ADHSET: limitRatio 1.5 must lie from 0 to 1 (the friction would grow with "
       "slip).\n"},
      {"0.3 -0.5 5 100 2\n",
       "\nError - ADHSET: limitRatio -0.5 must lie from 0 to 1 (the friction would turn "
       "negative).\n"},
      {"0.3 0.5 -5 100 2\n",
       "\nError - ADHSET: decayVelocity -5 must be above 0 m/s (the friction would grow with "
       "slip).\n"},
  };
  for (const Case& c : cases) {
    std::stringstream in = Cleaned(c.line);
    AdhesionCharacteristic characteristic;
    std::ostringstream log;
    EXPECT_FALSE(characteristic.Read(in, log)) << c.line;
    EXPECT_EQ(c.log, log.str()) << c.line;
  }
}

TEST(TAdhesionGeneratorTest, SelectsByPositionWithAForwardOnlyCursor) {
  std::stringstream in =
      Cleaned("ADHSET 2\n0.3 0.5 5 100 2\n0.2 0.5 5 100 2\nADHTBL\n0 100\n0 1\n");
  TAdhesionGenerator generator;
  std::ostringstream log;
  ASSERT_TRUE(generator.ReadPar(in, log)) << log.str();
  generator.Init();
  const auto selected = [&](double position) {
    return generator.Select(position).muStatic == 0.3 ? 0 : 1;
  };
  EXPECT_EQ(0, selected(-5));
  EXPECT_EQ(0, selected(0));
  EXPECT_EQ(1, selected(50));
  EXPECT_EQ(1, selected(100));
  EXPECT_EQ(1, selected(1000));
  EXPECT_EQ(1, selected(-5));  // the cursor never moves back
  generator.Init();
  EXPECT_EQ(0, selected(-5));
}

TEST(TAdhesionGeneratorTest, OneEntryAppliesEverywhere) {
  std::stringstream in = Cleaned("ADHSET 1 0.3 0.5 5 100 2\nADHTBL 10\n0\n");
  TAdhesionGenerator generator;
  std::ostringstream log;
  ASSERT_TRUE(generator.ReadPar(in, log)) << log.str();
  for (double position : {-1e9, 10.0, 1e9}) {
    EXPECT_EQ(0.3, generator.Select(position).muStatic);
  }
}

// HTIMPCT with two data sets and SETIDX for two axles around `adhesion`.
std::string ContactText(const std::string& setIndices) {
  return "ADHSET 1\n0.3 0.5 5 100 2\nADHTBL\n0\n0\nHTIMPCT 2 1 3 5 2 4 6\nSETIDX 9\n" + setIndices +
         "\nWHLTMP\n";
}

TEST(TContactTest, GivesEveryAxleItsDataSet) {
  std::stringstream in = Cleaned(ContactText("1 0"));
  TContact contact;
  std::ostringstream log;
  ASSERT_TRUE(contact.ReadPar(2, in, log));
  ASSERT_EQ(2u, contact.AxleDataSets().size());
  EXPECT_EQ(2.0, contact.AxleDataSets()[0].a);
  EXPECT_EQ(3.0, contact.AxleDataSets()[0].mean);
  EXPECT_EQ(1.0, contact.AxleDataSets()[1].a);
  EXPECT_EQ(2.0, contact.AxleDataSets()[1].mean);
  EXPECT_EQ(2u, contact.AdhesionCapacity().size());
}

TEST(TContactTest, CapacityIsTheCoefficientAtTheSlipTimesTheNormalForce) {
  std::stringstream in = Cleaned(ContactText("0 0"));
  TContact contact;
  std::ostringstream log;
  ASSERT_TRUE(contact.ReadPar(2, in, log));
  contact.Init();
  ASSERT_TRUE(contact.Compute({1000, 2000}, {10, 5}, {10, 10}, {0, 0}));
  EXPECT_DOUBLE_EQ(300.0, contact.AdhesionCapacity()[0]);
  EXPECT_DOUBLE_EQ(2000 * (0.15 + 0.15 * std::exp(-1.0)), contact.AdhesionCapacity()[1]);

  // Speeds for two axles against three normal forces: refused, nothing changes.
  EXPECT_FALSE(contact.Compute({1, 2, 3}, {0, 0}, {0, 0}, {0, 0}));
  EXPECT_DOUBLE_EQ(300.0, contact.AdhesionCapacity()[0]);
  // The shorter speed vector sets the axle count.
  EXPECT_TRUE(contact.Compute({500}, {0, 0}, {0}, {0}));
  EXPECT_DOUBLE_EQ(150.0, contact.AdhesionCapacity()[0]);
}

}  // namespace
