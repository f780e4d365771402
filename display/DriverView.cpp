#include "display/DriverView.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kKmhPerMs = 3.6;

// Overlay text is 22 pixels high, each character half as wide.
constexpr float kLineHeight = 22.0f;
constexpr float kCharWidth = 11.0f;
constexpr float kLongestLine = 18.0f;  // characters of the speed line up to 999.9 km/h
constexpr float kSlipLabelWidth = 6.0f * kCharWidth;  // "Slip: "
constexpr float kInset = 12.0f;                       // text from the panel's left edge
constexpr float kLineSpacing = 30.0f;
constexpr float kLampSize = 26.0f;  // room for a two-digit axle number
constexpr float kLampPitch = 30.0f;

}  // namespace

double MeanOf(const std::vector<double>& values) {
  if (values.empty()) return 0.0;
  double sum = 0.0;
  for (const double v : values) sum += v;
  return sum / static_cast<double>(values.size());
}

double VehicleSpeedKmh(const Kelvra& vehicle) {
  return MeanOf(vehicle.VehicleSpeed()) * kKmhPerMs;
}

double DistanceRun(const Kelvra& vehicle) {
  return MeanOf(vehicle.Position());
}

bool WheelSlides(double vehicleSpeed, double wheelSpeed, double limit) {
  return std::fabs(vehicleSpeed - wheelSpeed) > std::fabs(limit);
}

void ReadSlipLamps(const Kelvra& vehicle, std::vector<unsigned char>& lamps) {
  const std::vector<double>& v = vehicle.VehicleSpeed();
  const std::vector<double>& w = vehicle.WheelSpeed();
  const double limit = vehicle.Dynamics().AxleRot.Lim();
  for (std::size_t i = 0; i < lamps.size(); ++i) {
    lamps[i] = i < v.size() && i < w.size() && WheelSlides(v[i], w[i], limit) ? 1 : 0;
  }
}

PixelRect DriverPanel::Lamp(int axle) const {
  const float x = firstLampX + static_cast<float>(axle) * lampPitch;
  return {x, x + lampSize, lampY, lampY + lampSize};
}

// Three lines: the speed, the distance, then "Slip:" followed by the lamps. The
// frame overlaps the window's top and right edges by its line width, as the
// panels at the bottom do with theirs.
DriverPanel DriverPanelAt(int windowWidth, int axles) {
  const float lamps = kLampPitch * static_cast<float>(std::max(axles, 0));
  const float width =
      kInset + std::max(kLongestLine * kCharWidth, kSlipLabelWidth + lamps) + kInset;
  const float right = static_cast<float>(windowWidth);

  DriverPanel panel;
  panel.textX = right - width + kInset;
  panel.speedY = 8.0f;
  panel.distanceY = panel.speedY + kLineSpacing;
  panel.slipY = panel.distanceY + kLineSpacing + 2.0f;
  panel.firstLampX = panel.textX + kSlipLabelWidth;
  panel.lampY = panel.slipY + 0.5f * (kLineHeight - kLampSize);
  panel.lampSize = kLampSize;
  panel.lampPitch = kLampPitch;
  panel.frame = {right - width, right + 2.0f, -2.0f, panel.lampY + kLampSize + 10.0f};
  return panel;
}
