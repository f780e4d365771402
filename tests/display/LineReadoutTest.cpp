// The gradient and the adhesion level the window shows under the vehicle.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "display/DriverView.h"
#include "setup/VehicleSetUp.h"
#include "support/ShippedVehicle.h"
#include "support/TestSupport.h"

namespace {

// The shipped vehicle on a line 10 per mille uphill from -50 m with a patch
// of a fifth of the adhesion from 100 m, started at 20 m/s.
TEST(LineReadoutTest, TheLineUnderTheVehicleIsShownWhereItIsNotLevelOrEven) {
  const std::string shipped =
      testing_support::ReadFile(testing_support::DataDir() / "combined_train17_GEN.in");
  const std::string base = shipped.substr(0, shipped.find("GRADIENT 1"));
  struct Case {
    std::string sections;
    double seconds;
    std::string text;
  };
  const Case cases[] = {
      {"", 0.0, ""},
      {"GRADIENT 1\n-50 10\nADHLEVEL 1\n100 0.2\nV0 20\n", 0.0,
       "Gradient +10.0 o/oo, adhesion level 1.00"},
      // From 20 m/s slowing at 0.19 m/s2, 97.6 m in 5 s: the leading axle at
      // 108 m, the trailing one at 87 m.
      {"GRADIENT 1\n-50 10\nADHLEVEL 1\n100 0.2\nV0 20\n", 5.0,
       "Gradient +10.0 o/oo, adhesion level 0.20 to 1.00"},
      {"GRADIENT 1\n0 -25\nV0 -5\n", 0.0, "Gradient -25.0 o/oo, adhesion level 1.00"},
  };
  for (const Case& c : cases) {
    Kelvra vehicle;
    std::string why;
    ASSERT_TRUE(testing_support::VehicleFromModelText(base + c.sections, vehicle, why)) << why;
    for (int k = 0; k < static_cast<int>(c.seconds / 0.005); ++k) vehicle.DoStep({0, 0, 0, 0}, 0);
    LineReadout line;
    ReadLineReadout(vehicle, line);
    EXPECT_EQ(c.text, LineReadoutText(line)) << c.sections;
  }
}

// Centred under the followed point, half a text height below the rail, and
// inside the window however far the view is panned.
TEST(LineReadoutTest, TheReadoutStandsUnderTheVehicleInsideTheWindow) {
  WorldView view;
  view.centreX = 5.0f;
  view.centreY = 1.0f;
  view.zoom = 20.0f;
  view.width = 800.0f;
  view.height = 600.0f;
  // World x 5 is the window's middle, world y 0 is 300 + 20 pixels down.
  const PixelRect under = LineReadoutRect(view, 5.0f, 200.0f, 22.0f);
  EXPECT_FLOAT_EQ(300.0f, under.left);
  EXPECT_FLOAT_EQ(500.0f, under.right);
  EXPECT_FLOAT_EQ(320.0f + 11.0f, under.top);
  const PixelRect offLeft = LineReadoutRect(view, -100.0f, 200.0f, 22.0f);
  EXPECT_FLOAT_EQ(0.0f, offLeft.left);
  const PixelRect offRight = LineReadoutRect(view, 100.0f, 200.0f, 22.0f);
  EXPECT_FLOAT_EQ(800.0f, offRight.right);
  view.centreY = 100.0f;  // the rail far below the window
  EXPECT_FLOAT_EQ(600.0f, LineReadoutRect(view, 5.0f, 200.0f, 22.0f).bottom);
}

}  // namespace
