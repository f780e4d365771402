#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/SingleMassVehicle.h"
#include "support/TestSupport.h"
#include "vehicle/Kelvra.h"

namespace {

using testing_support::TempFolder;

const std::string kLinearModelRead =
    "\nTMtrxVeh::SetPar() successfully finished.\n"
    "\nTMtrxVehOut::SetPar() successfully finished.\n";
const std::string kVehDynRead = kLinearModelRead +
                                "\nTAxleIntegrator::ReadPar() successfully finished.\n"
                                "\nTBrakeSys::ReadPar() successfully finished.\n"
                                "\nTResistance::ReadPar() successfully finished.\n";
const std::string kAdhesionRead =
    "\nNum. of Adhs to read: 2 TAdhesionGenerator::ReadPar()\n"
    "\nTAdhesionGenerator::ReadPar() successfully finished.\n";
const std::string kContactFailed =
    "\nAdhGen.ReadPar() is not successfull.\n"
    "\nContact.ReadPar() error in Kelvra\n";
const std::string kVehDynFailed = "\nVehDyn.ReadPar() error in Kelvra\n";
const std::string kAxleRotFailed = "\nAxleRot.ReadPar() is not successfull.\n" + kVehDynFailed;
const std::string kIterNotRead =
    "\nAdditional iteration count was not read. TAxleIntegrator::ReadPar()\n";
const std::string kLimNotRead = "\nLimit was not read. TAxleIntegrator::ReadPar()\n";
const std::string kSubdivNotRead = "\nSubdivision was not read. TAxleIntegrator::ReadPar()\n";

std::string IterRange(const std::string& quoted) {
  return "\nError - ITER " + quoted + " must be a whole number from 0 to 10000000.\n";
}

std::string LimRange(const std::string& value) {
  return "\nError - LIM " + value +
         " must be at least 2.22507e-308 m/s, the half-width of the slip band of a rolling "
         "wheel.\n";
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(std::string::npos, at) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// Creates the two-axle vehicle from `parameterText` and returns the log.
std::string CreateLog(const std::string& parameterText, bool& created,
                      const SingleMassVehicle& vehicle = SingleMassVehicle()) {
  TempFolder folder;
  folder.Write("model.in", parameterText);
  Kelvra kelvra;
  std::ostringstream log;
  created = vehicle.Create(kelvra, (folder.Path() / "model.in").string(), log);
  EXPECT_EQ(created, kelvra.Created());
  return log.str();
}

TEST(ReadParTest, ReadsEverySectionInOrder) {
  bool created = false;
  const std::string log = CreateLog(SingleMassVehicle().ParameterText(), created);
  EXPECT_TRUE(created);
  EXPECT_EQ(kVehDynRead + kAdhesionRead + "\nTContact::ReadPar() successfully finished.\n" +
                "\nTTemperature::ReadPar() successfully finished.\n",
            log);
}

TEST(ReadParTest, KeywordCountAndCharacteristicMayShareALine) {
  const std::string text = Replaced(SingleMassVehicle().ParameterText(),
                                    "ADHSET 2\n0.3 0.5 5 100 2   | dry rail\n0.3 0.5 5 100 2\n",
                                    "ADHSET 1 0.3 0.5 5 100 2\n");
  const std::string text1 = Replaced(text, "0 1\n", "0 0\n");
  bool created = false;
  const std::string log = CreateLog(text1, created);
  EXPECT_TRUE(created) << log;
}

struct FailingText {
  const char* name;
  const char* from;
  const char* to;
  std::string log;
};

TEST(ReadParTest, FailingSectionsLogWhatWentWrong) {
  const FailingText cases[] = {
      {"characteristic split over two lines", "0.3 0.5 5 100 2   | dry rail\n",
       "0.3 0.5 5\n100 2\n",
       kVehDynRead + "\nNum. of Adhs to read: 2 TAdhesionGenerator::ReadPar()\n" +
           "Param number error: 3!=5\n0.3\t0.5\t5\n" +
           "\nAdhs was not read. TAdhesionGenerator::ReadPar()\n" + kContactFailed},
      {"sections out of order", "SUBDIV 10\nBRKSYS 1 0.1\n", "BRKSYS 1 0.1\nSUBDIV 10\n",
       kLinearModelRead + "\nTAxleIntegrator::ReadPar() successfully finished.\n" +
           "\nTBrakeSys::ReadPar() is not successfull.\n" +
           "\nBrkSys.ReadPar() is not successfull.\n" + kVehDynFailed},
      {"SETIDX with one index too many", "SETIDX 1\n0 0 ", "SETIDX 1\n0 0 0 ",
       kVehDynRead + kAdhesionRead + "\nSETIDX reading error in TContact::ReadPar().\n" +
           "\nContact.ReadPar() error in Kelvra\n"},
      {"SETIDX with one index too few", "SETIDX 1\n0 0 ", "SETIDX 1\n0 ",
       kVehDynRead + kAdhesionRead + "\nSETIDX reading error in TContact::ReadPar().\n" +
           "\nContact.ReadPar() error in Kelvra\n"},
      {"SETIDX naming a missing data set", "SETIDX 1\n0 0 ", "SETIDX 1\n0 1 ",
       kVehDynRead + kAdhesionRead + "\nSETIDX value error in TContact::ReadPar()." +
           "\nMax(SETIDX)=1 HTIMPCT.size()=1\n" + "\nContact.ReadPar() error in Kelvra\n"},
      {"too few data sets", "HTIMPCT 1\n", "HTIMPCT 2\n",
       kVehDynRead + kAdhesionRead + "\nHTIMPCT data set reading error in TContact::ReadPar()." +
           "\nOnly 1/2 data set found.\n" + "\nContact.ReadPar() error in Kelvra\n"},
      {"no data set count", "HTIMPCT 1\n1 2 3\n", "HTIMPCT\n",
       kVehDynRead + kAdhesionRead + "\nHTIMPCT number reading error in TContact::ReadPar().\n" +
           "\nContact.ReadPar() error in Kelvra\n"},
      {"no SETIDX number", "SETIDX 1\n", "SETIDX\n",
       kVehDynRead + kAdhesionRead + "\nSETIDX reading error in TContact::ReadPar().\n" +
           "\nContact.ReadPar() error in Kelvra\n"},
      {"selection index beyond the characteristics", "1 1e9\n0 1\n", "1 2 1e9\n0 1 2\n",
       kVehDynRead + "\nNum. of Adhs to read: 2 TAdhesionGenerator::ReadPar()\n" +
           "\nAdhesion selection table index error in TAdhesionGenerator::ReadPar()." +
           "\nMax(Switch_idx)=2 Adhs.size()=2\n" + kContactFailed},
      {"selection lists of different lengths", "1 1e9\n0 1\n", "1 1e9\n0\n",
       kVehDynRead + "\nNum. of Adhs to read: 2 TAdhesionGenerator::ReadPar()\n" +
           "\nAdhesion selection table is not proper in TAdhesionGenerator::ReadPar()." +
           "\nSwitch_x.size()=2 Switch_idx.size()=1\n" + kContactFailed},
      {"no selection table", "ADHTBL\n", "ADHTABLE\n",
       kVehDynRead + "\nNum. of Adhs to read: 2 TAdhesionGenerator::ReadPar()\n" +
           "\nADHTBL was not found. TAdhesionGenerator::ReadPar()\n" +
           "\nAdhesion selection table (Switch_x and / or Switch_idx) was not read. "
           "TAdhesionGenerator::ReadPar()\n" +
           kContactFailed},
      {"no characteristics", "ADHSET 2\n", "ADHSET 0\n",
       kVehDynRead + "\nNum. of Adhs to read: 0 TAdhesionGenerator::ReadPar()\n" +
           "\nAdhs was not read. TAdhesionGenerator::ReadPar()\n" + kContactFailed},
      {"no ADHSET", "ADHSET 2\n", "ADHSETS 2\n",
       kVehDynRead + "\nADHSET not found. TAdhesionGenerator::ReadPar()\n" +
           "\nNum. of Adhs to read: 0 TAdhesionGenerator::ReadPar()\n" +
           "\nAdhs was not read. TAdhesionGenerator::ReadPar()\n" + kContactFailed},
      {"characteristic outside the formulas", "0.3 0.5 5 100 2   | dry rail\n", "1.5 0.5 5 100 2\n",
       kVehDynRead + "\nNum. of Adhs to read: 2 TAdhesionGenerator::ReadPar()\n" +
           "\nInternal error: StaticAdhesion(0,0,Tmax)!=1\n" +
           "\nAdhs was not read. TAdhesionGenerator::ReadPar()\n" + kContactFailed},
      {"axle indices at the very end of the text", "\nWHLTMP\n", "",
       kVehDynRead + kAdhesionRead + "\nTContact::ReadPar() successfully finished.\n" +
           "\nContact.ReadPar() error in Kelvra\n"},
      {"no WHLTMP", "WHLTMP", "WHEELTEMP",
       kVehDynRead + kAdhesionRead + "\nTContact::ReadPar() successfully finished.\n" +
           "\nTemperature.ReadPar() error in Kelvra\n"},
      {"negative ITER", "ITER 3", "ITER -1",
       kLinearModelRead + IterRange("'-1'") + kIterNotRead + kAxleRotFailed},
      // No more than a batch parameter set may ask for: billions would hold the
      // program in its first step.
      {"ITER above ten million", "ITER 3", "ITER 10000001",
       kLinearModelRead + IterRange("'10000001'") + kIterNotRead + kAxleRotFailed},
      // 2.7 read as 2 would leave ".7" for the next read.
      {"ITER not whole", "ITER 3", "ITER 2.7",
       kLinearModelRead + IterRange("'2.7'") + kIterNotRead + kAxleRotFailed},
      {"SUBDIV above ten million", "SUBDIV 10", "SUBDIV 2000000000",
       kLinearModelRead +
           "\nError - SUBDIV '2000000000' must be a whole number from 1 to 10000000.\n" +
           kSubdivNotRead + kAxleRotFailed},
      {"no LIM value", "LIM 0.5", "LIM", kLinearModelRead + kLimNotRead + kAxleRotFailed},
      // sign(0) = +1 would drive a wheel at rest; 1 / LIM must be finite.
      {"LIM 0", "LIM 0.5", "LIM 0",
       kLinearModelRead + LimRange("0") + kLimNotRead + kAxleRotFailed},
      {"negative LIM", "LIM 0.5", "LIM -0.5",
       kLinearModelRead + LimRange("-0.5") + kLimNotRead + kAxleRotFailed},
      {"LIM without a finite reciprocal", "LIM 0.5", "LIM 4.9e-324",
       kLinearModelRead + LimRange("4.94066e-324") + kLimNotRead + kAxleRotFailed},
      {"SUBDIV 0", "SUBDIV 10", "SUBDIV 0",
       kLinearModelRead + "\nError - SUBDIV '0' must be a whole number from 1 to 10000000.\n" +
           kSubdivNotRead + kAxleRotFailed},
      {"brake threshold 0", "BRKSYS 1 0.1", "BRKSYS 1 0",
       kLinearModelRead + "\nTAxleIntegrator::ReadPar() successfully finished.\n" +
           "\nError - BRKSYS speed threshold 0 must be above 0 m/s, or a braked wheel at rest is "
           "driven.\n" +
           "\nTBrakeSys::ReadPar() is not successfull.\n" +
           "\nBrkSys.ReadPar() is not successfull.\n" + kVehDynFailed},
      {"friction growing with slip", "0.3 0.5 5 100 2   | dry rail\n", "0.3 1.5 5 100 2\n",
       kVehDynRead + "\nNum. of Adhs to read: 2 TAdhesionGenerator::ReadPar()\n" +
           "\nError - ADHSET: limitRatio 1.5 must lie from 0 to 1 (the friction would grow with "
           "slip).\n" +
           "\nAdhs was not read. TAdhesionGenerator::ReadPar()\n" + kContactFailed},
      {"six resistance values", "RESIST 0 0 0 0 0 0 0", "RESIST 0 0 0 0 0 0",
       kLinearModelRead + "\nTAxleIntegrator::ReadPar() successfully finished.\n" +
           "\nTBrakeSys::ReadPar() successfully finished.\n" +
           "\nTResistance::ReadPar() is not successfull.\n" +
           "\nRes.ReadPar() is not successfull.\n" + kVehDynFailed},
  };
  for (const FailingText& c : cases) {
    bool created = true;
    const std::string log =
        CreateLog(Replaced(SingleMassVehicle().ParameterText(), c.from, c.to), created);
    EXPECT_FALSE(created) << c.name;
    EXPECT_EQ(c.log, log) << c.name;
  }
}

TEST(ReadParTest, TenMillionIterationsAndSubstepsAreTheMost) {
  SingleMassVehicle vehicle;
  vehicle.iter = 10000000;
  vehicle.subdiv = 10000000;
  TempFolder folder;
  folder.Write("model.in", vehicle.ParameterText());
  Kelvra kelvra;
  std::ostringstream log;
  EXPECT_TRUE(vehicle.Create(kelvra, (folder.Path() / "model.in").string(), log)) << log.str();
  EXPECT_EQ(10000000, kelvra.Dynamics().AxleRot.Iter());
  EXPECT_EQ(10000000, kelvra.Dynamics().AxleRot.Subdiv());
}

TEST(ReadParTest, MissingModelFileFailsAtTheFirstSection) {
  Kelvra kelvra;
  std::ostringstream log;
  EXPECT_FALSE(SingleMassVehicle().Create(kelvra, "/nonexistent/model.in", log));
  EXPECT_EQ(kLinearModelRead +
                "\nAdditional iteration count was not read. TAxleIntegrator::ReadPar()\n" +
                "\nAxleRot.ReadPar() is not successfull.\n" + kVehDynFailed,
            log.str());
  // Init ran all the same.
  EXPECT_EQ("DT = 0.005\nITER = 0\nSUBD = 1\nSGNT = 0\n", kelvra.ResultText());
  EXPECT_FALSE(kelvra.DoStep({0, 0}, 0.0));
}

// Handed-over data that does not fit together.
TEST(ReadParTest, LinearModelThatDoesNotFitIsRefused) {
  struct Case {
    const char* name;
    void (*spoil)(SingleMassVehicle&);
    std::string log;
  };
  const Case cases[] = {
      {"initial state too long",
       [](SingleMassVehicle& v) {
         v.initialState = {0, 0, 0};
       },
       "\nWrong sizes in TMtrxVeh::ReadPar()\n\nMtrxVeh.SetPar() is not successfull.\n" +
           kVehDynFailed},
      {"wheel index beyond the state", [](SingleMassVehicle& v) { v.wheelStateIndices[1] = 2; },
       "\nTMtrxVeh::SetPar() successfully finished.\n"
       "\nWrong sizes in TMtrxVehOut::ReadPar()\n\nVehOut.SetPar() is not successfull.\n" +
           kVehDynFailed},
      {"normal force matrix for another state",
       [](SingleMassVehicle& v) { v.N.FromRowMajor(2, std::vector<double>(6, 0.0)); },
       kVehDynRead + "\nCompatibility error in TVehDyn::ReadPar()." +
           "\nVehOut.StateDim()=3 MtrxVeh.StateDim()=2\n" + kVehDynFailed},
      {"a reduced mass too many",
       [](SingleMassVehicle& v) {
         v.reducedMasses.push_back(500);
         v.brakeForceRadii.push_back(0.8);
       },
       kVehDynRead + "\nCompatibility error in TVehDyn::ReadPar()." +
           "\nVehOut.AxleNum()=2 AxleRot.AxleNum()=3\n" + kVehDynFailed},
      {"a brake radius too few", [](SingleMassVehicle& v) { v.brakeForceRadii.pop_back(); },
       kLinearModelRead +
           "\nReduced mass count 2 != brake force radius count 1 in TAxleIntegrator::ReadPar()\n" +
           "\nAxleRot.ReadPar() is not successfull.\n" + kVehDynFailed},
      {"no column for the traction",
       [](SingleMassVehicle& v) {
         v.P.FromRowMajor(2, std::vector<double>(8, 1.0));
         v.P1 = v.P;
       },
       kVehDynRead + "\nCompatibility error in TVehDyn::ReadPar()." +
           "\nMtrxVeh.InputDim()=4 is below 2*AxleRot.AxleNum()+1=5\n" + kVehDynFailed},
  };
  for (const Case& c : cases) {
    SingleMassVehicle vehicle;
    c.spoil(vehicle);
    bool created = true;
    const std::string log = CreateLog(vehicle.ParameterText(), created, vehicle);
    EXPECT_FALSE(created) << c.name;
    EXPECT_EQ(c.log, log) << c.name;
  }
}

}  // namespace
