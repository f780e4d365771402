#pragma once

// What a driver looks at first: the speed, the distance run and whether a wheel
// slides, read from the vehicle's committed state, and the panel at the top
// right of the window that shows them. That corner holds nothing else, so the
// panel covers no other control; a window too small for it leaves it out.

#include <vector>

#include "display/Widgets.h"
#include "vehicle/Kelvra.h"

inline constexpr const char* kSpeedFormat = "Speed: %6.1f km/h";
inline constexpr const char* kDistanceFormat = "Dist.: %8.1f m";
inline constexpr const char* kSlipLabel = "Slip:";

// The mean of `values`; 0 for none.
double MeanOf(const std::vector<double>& values);

// The vehicle's speed in km/h: the mean of the wheelsets' longitudinal speeds.
double VehicleSpeedKmh(const Kelvra& vehicle);
// Metres run since the start: the mean of the wheelsets' longitudinal positions.
double DistanceRun(const Kelvra& vehicle);

// A wheel slides when its slip (the vehicle speed at the wheel less the wheel's
// circumferential speed) lies beyond the axle integrator's linear band
// |slip| < LIM: its adhesion force is then the full capacity and no longer holds
// the wheel to the rail.
bool WheelSlides(double vehicleSpeed, double wheelSpeed, double limit);
// Entry i of `lamps` (its length is kept) lit (1) when wheel i slides.
void ReadSlipLamps(const Kelvra& vehicle, std::vector<unsigned char>& lamps);

// The panel's frame, the top-left corners of its lines and its lamps, one per
// axle in axle order, each a box with the axle's number.
struct DriverPanel {
  PixelRect frame;
  float textX = 0.0f;
  float speedY = 0.0f;
  float distanceY = 0.0f;
  float slipY = 0.0f;
  float firstLampX = 0.0f;
  float lampY = 0.0f;
  float lampSize = 0.0f;
  float lampPitch = 0.0f;

  PixelRect Lamp(int axle) const;
};

// The panel in a window `windowWidth` wide, against the top and right edges and
// wide enough for `axles` lamps.
DriverPanel DriverPanelAt(int windowWidth, int axles);
