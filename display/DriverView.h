#pragma once

// What a driver looks at first: the speed, the distance run, the traction
// applied to the vehicle, the brake force its wheels received and whether a
// wheel slides, read from the vehicle's committed state, and the panel near
// the top right of the window that shows them.

#include <array>
#include <string>
#include <vector>

#include "display/SceneGeometry.h"
#include "display/Widgets.h"
#include "vehicle/Kelvra.h"

inline constexpr const char* kSpeedFormat = "Speed: %6.1f km/h";
inline constexpr const char* kDistanceFormat = "Dist.: %8.1f m";
inline constexpr const char* kTractionFormat = "Traction:   %6.1f kN";
inline constexpr const char* kBrakeFormat = "Tread brake:%6.1f kN";
inline constexpr const char* kSlipLabel = "Slip:";

// The text lines of the driver's panel, top down; the slip lamps follow them.
enum DriverItem : int {
  kDriverSpeed,
  kDriverDistance,
  kDriverTraction,
  kDriverBrake,
  kDriverItemCount
};

// The mean of `values`; 0 for none.
double MeanOf(const std::vector<double>& values);

// The vehicle's speed in km/h: the mean of the wheelsets' longitudinal speeds.
double VehicleSpeedKmh(const Kelvra& vehicle);
// Metres run since the start: the mean of the wheelsets' longitudinal positions.
double DistanceRun(const Kelvra& vehicle);
// The brake force that all wheels together received at their treads, the mean
// over the vehicle's last step [N]: each axle's brake force as the time series
// reports it, times its brake force radius (the brake acts at that share of
// the wheel's radius, half of it on the shipped vehicle). Each wheel's sign
// only tells its direction of turning.
double TreadBrakeForce(const Kelvra& vehicle);

// A wheel slides when its slip (the vehicle speed at the wheel less the wheel's
// circumferential speed) lies beyond the axle integrator's linear band
// |slip| < LIM: its adhesion force is then the full capacity and no longer holds
// the wheel to the rail.
bool WheelSlides(double vehicleSpeed, double wheelSpeed, double limit);
// Entry i of `lamps` (its length is kept) lit (1) when wheel i slides.
void ReadSlipLamps(const Kelvra& vehicle, std::vector<unsigned char>& lamps);

// The line under the vehicle, while GRADIENT or ADHLEVEL is active (`shown`):
// the gradient under the middle of its axles and the lowest and the highest
// adhesion level factor that an axle meets.
struct LineReadout {
  bool shown = false;
  double gradient = 0.0;  // per mille, positive uphill towards +x
  double levelLow = 1.0;
  double levelHigh = 1.0;
};
void ReadLineReadout(const Kelvra& vehicle, LineReadout& line);
// "Gradient +10.0 o/oo, adhesion level 0.20", with "0.20 to 1.00" where the
// axles meet different levels; empty while not shown.
std::string LineReadoutText(const LineReadout& line);
// Where that text of `width` pixels stands: centred under the world point x
// `worldX`, just below the rail (world y 0), in window pixels with y down;
// kept inside the window.
PixelRect LineReadoutRect(const WorldView& view, float worldX, float width, float textSize);

// The panel's values as they stand.
struct DriverReadout {
  double speedKmh = 0.0;
  double distance = 0.0;                 // metres
  double tractionKn = 0.0;               // applied in the last step
  double brakeKn = 0.0;                  // at the treads in the last step, all wheels
  std::vector<unsigned char> slipLamps;  // one per axle, 1 while its wheel slides
  LineReadout line;                      // shown under the vehicle

  // The value shown on line `item`.
  double Value(int item) const;
};

// A formatted line of overlay text.
using HudBuffer = std::array<char, 100>;

// Line `item` of the panel formatted into `buffer`; empty for unknown items.
void FormatDriverText(const DriverReadout& readout, int item, HudBuffer& buffer);
std::string DriverString(const DriverReadout& readout, int item);

// The panel's frame, the top-left corners of its lines and its lamps, one per
// axle in axle order, each a box with the axle's number; every size in pixels
// of text `textSize` high.
struct DriverPanel {
  PixelRect frame;
  float textSize = 22.0f;
  float textX = 0.0f;
  float lineY[kDriverItemCount] = {};
  float slipY = 0.0f;
  float firstLampX = 0.0f;
  float lampY = 0.0f;
  float lampSize = 0.0f;
  float lampPitch = 0.0f;

  PixelRect Lamp(int axle) const;
  PixelRect Line(int item, int characters) const;
};

// The panel against the window's top edge with its right edge at `right`, wide
// enough for `axles` lamps, every size and distance times `scale`.
DriverPanel DriverPanelAt(float right, int axles, float scale);
