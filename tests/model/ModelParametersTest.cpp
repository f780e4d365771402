#include <gtest/gtest.h>

#include <string>

#include "model/ModelParameters.h"

namespace {

// A model text in the shipped file's layout, comments and blank runs included.
const char* const kModel =
    "| BODY name mass ...\n"
    "BEGIN\n"
    "BODY  Car     31000  1842853.125  0  1.26  XYR  | car body, mass 31000\n"
    "BODY  Bogie1  3000   3312.5  -9.5  0.76  XYR\n"
    "NODE  CarSec  Car  -9.5\t0\n"
    "FORCE Sec1Vert CarSec Bogie1Sec 1.5e6 6e4\n"
    "WHEEL Wheel1 Wheelset1 Prim1Vert Prim1VertDefl Adhesion1 Brake1 500 98100 0.46\n"
    "WHEEL Wheel2 Wheelset2 Prim2Vert Prim2VertDefl Adhesion2 Brake2 500 98100 0.46\n"
    "END\n"
    "DT 0.005\n"
    "ITER 3\nLIM 0.05\nSUBDIV 10\n"
    "BRKSYS 1 0.05\n"
    "RESIST 0 0 0 0 0 0 0\n"
    "ADHSET 2\n0.1 0.2 5 1 1\n0.3 0.4 6 1 1\n"
    "WHLTMP\n"
    "GRADIENT 2\n0 0\n500 12\n"
    "ADHLEVEL 1\n0 1\n"
    "BRKCYL 0 0\nBRKHOLD 0\nWSP 0\nV0 0\n";

// The model with `from` replaced by `to`, which must occur exactly once.
std::string ModelWith(const std::string& from, const std::string& to) {
  std::string text = kModel;
  const std::size_t at = text.find(from);
  EXPECT_NE(std::string::npos, at) << from;
  EXPECT_EQ(std::string::npos, text.find(from, at + 1)) << from;
  return text.replace(at, from.size(), to);
}

TEST(ModelParametersTest, EachPathChangesExactlyItsNumber) {
  struct Case {
    const char* path;
    const char* value;
    std::string expected;
  };
  const Case cases[] = {
      {"BODY.Car.mass", "25000", ModelWith("BODY  Car     31000", "BODY  Car     25000")},
      {"BODY.Bogie1.center_y", "0.8", ModelWith("-9.5  0.76", "-9.5  0.8")},
      {"NODE.CarSec.rel_x", "-9", ModelWith("Car  -9.5\t0", "Car  -9\t0")},
      {"FORCE.Sec1Vert.stiffness", "2e6", ModelWith("1.5e6 6e4", "2e6 6e4")},
      {"FORCE.Sec1Vert.damping", "7e4", ModelWith("1.5e6 6e4", "1.5e6 7e4")},
      {"WHEEL.Wheel2.radius", "0.5", ModelWith("500 98100 0.46\nEND", "500 98100 0.5\nEND")},
      {"WHEEL.*.reduced_mass", "650",
       ModelWith("Brake1 500", "Brake1 650")
           .replace(std::string(kModel).find("Brake2 500"), 10, "Brake2 650")},
      {"DT", "0.0025", ModelWith("DT 0.005", "DT 0.0025")},
      {"ITER", "5", ModelWith("ITER 3", "ITER 5")},
      {"LIM", "0.1", ModelWith("LIM 0.05", "LIM 0.1")},
      {"BRKSYS.gain", "0.5", ModelWith("BRKSYS 1 0.05", "BRKSYS 0.5 0.05")},
      {"BRKSYS.threshold", "0.1", ModelWith("BRKSYS 1 0.05", "BRKSYS 1 0.1")},
      {"RESIST.c1", "6.5", ModelWith("RESIST 0 0", "RESIST 6.5 0")},
      {"ADHSET.1.mu_max", "0.15", ModelWith("0.1 0.2 5", "0.15 0.2 5")},
      {"ADHSET.2.decay_velocity", "3", ModelWith("0.4 6", "0.4 3")},
      {"GRADIENT.2.gradient", "-8", ModelWith("500 12", "500 -8")},
      {"GRADIENT.1.position", "-50", ModelWith("GRADIENT 2\n0 0", "GRADIENT 2\n-50 0")},
      {"ADHLEVEL.1.factor", "0.3", ModelWith("ADHLEVEL 1\n0 1", "ADHLEVEL 1\n0 0.3")},
      {"BRKCYL.fill", "1.5", ModelWith("BRKCYL 0 0", "BRKCYL 1.5 0")},
      {"BRKCYL.release", "1", ModelWith("BRKCYL 0 0", "BRKCYL 0 1")},
      {"BRKHOLD", "1", ModelWith("BRKHOLD 0", "BRKHOLD 1")},
      {"WSP.enabled", "1", ModelWith("WSP 0", "WSP 1")},
      {"V0", "27.78", ModelWith("V0 0", "V0 27.78")},
  };
  for (const Case& c : cases) {
    std::string text = kModel;
    std::string error;
    EXPECT_TRUE(SetModelParameter(text, c.path, c.value, error)) << c.path << ": " << error;
    EXPECT_EQ(c.expected, text) << c.path;
  }
}

TEST(ModelParametersTest, PathsAndValuesThatNameNothingAreRefusedWithTheTextKept) {
  struct Case {
    const char* path;
    const char* value;
    const char* error;
  };
  const Case cases[] = {
      {"BODY.Car.mass", "abc", "Parameter 'BODY.Car.mass': value 'abc' is no finite number"},
      {"BODY.Car.mass", "12kg", "Parameter 'BODY.Car.mass': value '12kg' is no finite number"},
      {"BODY.Car.mass", "inf", "Parameter 'BODY.Car.mass': value 'inf' is no finite number"},
      {"BODY.Car.mass", "", "Parameter 'BODY.Car.mass': value '' is no finite number"},
      {"BODY.Car.mass", "1e999", "Parameter 'BODY.Car.mass': value '1e999' is no finite number"},
      {"BODY.Tram.mass", "1", "Parameter 'BODY.Tram.mass': the model has no BODY named 'Tram'"},
      {"BODY.Car.weight", "1",
       "Parameter 'BODY.Car.weight': names no field of BODY (BODY.<name>.<field>)"},
      {"BODY.Car", "1", "Parameter 'BODY.Car': names no field of BODY (BODY.<name>.<field>)"},
      {"BRKSYS", "1", "Parameter 'BRKSYS': names no field of BRKSYS"},
      {"LIM.value", "1", "Parameter 'LIM.value': names no field of LIM"},
      {"ADHSET.3.mu_max", "0.1",
       "Parameter 'ADHSET.3.mu_max': the model has no adhesion "
       "characteristic 3"},
      {"ADHSET.0.mu_max", "0.1",
       "Parameter 'ADHSET.0.mu_max': names no field of ADHSET "
       "(ADHSET.<characteristic from 1>.<field>)"},
      {"GRADIENT.3.gradient", "1",
       "Parameter 'GRADIENT.3.gradient': the model has no GRADIENT row 3"},
      {"ADHLEVEL.1.level", "1",
       "Parameter 'ADHLEVEL.1.level': names no field of ADHLEVEL (ADHLEVEL.<row from 1>.<field>)"},
      {"BRKCYL.time", "1", "Parameter 'BRKCYL.time': names no field of BRKCYL"},
      {"Y0.1", "1", "Parameter 'Y0.1': names no section that can be changed"},
      {"OUTDISP.Prim1VertDefl.x", "1",
       "Parameter 'OUTDISP.Prim1VertDefl.x': names no section that can be changed"},
      {"HTIMPCT.1", "1", "Parameter 'HTIMPCT.1': names no section that can be changed"},
  };
  for (const Case& c : cases) {
    std::string text = kModel;
    std::string error;
    EXPECT_FALSE(SetModelParameter(text, c.path, c.value, error)) << c.path;
    EXPECT_EQ(c.error, error);
    EXPECT_EQ(kModel, text) << c.path;
  }
}

// Words in comments and before BEGIN are no records, and a section keyword is
// found as a whole word only.
TEST(ModelParametersTest, CommentsAndLookAlikeWordsAreLeftAlone) {
  const std::string model =
      "BODY Car 1 | BODY Car 2\nBEGIN\nBODY Car 31000 1 0 0 XYR | 31000\nEND\n"
      "| BRKSYS 9 9\nBRKSYSX 8 8\nBRKSYS 1 0.05\n";
  std::string text = model;
  std::string error;
  ASSERT_TRUE(SetModelParameter(text, "BODY.Car.mass", "5", error)) << error;
  ASSERT_TRUE(SetModelParameter(text, "BRKSYS.gain", "0.5", error)) << error;
  EXPECT_EQ(
      "BODY Car 1 | BODY Car 2\nBEGIN\nBODY Car 5 1 0 0 XYR | 31000\nEND\n"
      "| BRKSYS 9 9\nBRKSYSX 8 8\nBRKSYS 0.5 0.05\n",
      text);
}

}  // namespace
