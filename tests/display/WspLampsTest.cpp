// The wheel slide protection's lamps of the window: one per axle while the
// unit is on, showing what its valve did in the last step.

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "display/HudLayout.h"
#include "display/VehicleRun.h"
#include "setup/VehicleSetUp.h"
#include "support/ShippedVehicle.h"
#include "support/TestSupport.h"

namespace {

// The shipped vehicle at adhesion 0.08 started at 14 m/s, with `wsp` as its
// WSP line, under the lever's full brake: each lamp shows the valve of its
// axle, and the vents and holds of a slide show in turn.
TEST(WspLampsTest, EachLampShowsWhatItsValveDidWhileTheUnitIsOn) {
  std::string text =
      testing_support::ReadFile(testing_support::DataDir() / "combined_train17_GEN.in");
  text.replace(text.find("0.1 0.2 5 1 1"), 13, "0.08 0.2 5 1 1");
  text.replace(text.find("V0 0"), 4, "V0 14");
  const std::size_t line = text.find("\nWSP ") + 1;
  for (const char* wsp : {"WSP 0", "WSP 1"}) {
    SCOPED_TRACE(wsp);
    Kelvra vehicle;
    std::string why;
    ASSERT_TRUE(testing_support::VehicleFromModelText(
        text.substr(0, line) + wsp + text.substr(text.find('\n', line)), vehicle, why))
        << why;
    VehicleRun run;
    std::ostringstream console;
    run.SetUp(vehicle, VehicleRunData{}, console);
    run.SetRunning(true);
    const bool on = std::string(wsp) == "WSP 1";
    ASSERT_EQ(on ? 4u : 0u, run.Readout().wspLamps.size());
    std::set<int> shown;
    for (int frame = 0; frame < 600; ++frame) {
      run.AdvanceFrame({{0.0f, 1.0f}});
      const std::vector<WspValve>& valve = vehicle.LineParts().Wsp.Valve();
      for (std::size_t i = 0; i < run.Readout().wspLamps.size(); ++i) {
        ASSERT_EQ(static_cast<unsigned char>(valve[i]), run.Readout().wspLamps[i]);
        shown.insert(run.Readout().wspLamps[i]);
      }
    }
    EXPECT_EQ(on ? (std::set<int>{0, 1, 2}) : std::set<int>{}, shown);
  }
}

// The lamps' panel stands left of the driver's, clear of every other panel
// and inside the window down to the smallest window, its lamps inside it. It
// takes room that the HUD has at full size: the panels keep their places.
TEST(WspLampsTest, TheLampsPanelStandsUnderTheDriversClearOfTheOthers) {
  for (const auto& [width, height] : {std::pair{1024, 768}, {500, 350}, {200, 120}, {1600, 250}}) {
    const HudLayout l = LayoutHud(width, height, 4, true, true);
    const DriverPanel& p = l.driver;
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    EXPECT_LT(p.wspFrame.right, p.frame.left);
    EXPECT_GE(p.wspFrame.left, 0.0f);
    for (const PixelRect& other : {l.valuesPanel, l.leverPanel, p.frame, ButtonRect(l.startStop),
                                   ButtonRect(l.reset), ButtonRect(l.leverReset)}) {
      EXPECT_FALSE(p.wspFrame.Overlaps(other));
    }
    for (int axle = 0; axle < 4; ++axle) {
      const PixelRect lamp = p.WspLamp(axle);
      EXPECT_TRUE(p.wspFrame.left < lamp.left && lamp.right < p.wspFrame.right &&
                  p.wspFrame.top < lamp.top && lamp.bottom < p.wspFrame.bottom);
      if (axle > 0) {
        EXPECT_FALSE(lamp.Overlaps(p.WspLamp(axle - 1)));
      }
    }
  }
  const HudLayout without = LayoutHud(800, 600, 4);
  const HudLayout with = LayoutHud(800, 600, 4, true, true);
  EXPECT_EQ(without.scale, with.scale);
  EXPECT_EQ(without.driver.frame.left, with.driver.frame.left);
}

}  // namespace
