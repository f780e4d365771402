#include "display/DriverView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kKmhPerMs = 3.6;

// At full size overlay text is 22 pixels high, each character half as wide.
constexpr float kLineHeight = 22.0f;
constexpr float kCharWidth = 11.0f;
constexpr float kLongestLine = 21.0f;  // characters of the force lines up to 999.9 kN
constexpr float kSlipLabelWidth = 6.0f * kCharWidth;  // "Slip: "
constexpr float kInset = 12.0f;                       // text from the panel's left edge
constexpr float kTop = 8.0f;
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

double TreadBrakeForce(const Kelvra& vehicle) {
  const std::vector<double>& force = vehicle.MeanBrakeForce();
  const std::vector<double>& radius = vehicle.Dynamics().AxleRot.BrakeForceRadius();
  double sum = 0.0;
  for (std::size_t i = 0; i < std::min(force.size(), radius.size()); ++i) {
    sum += std::fabs(force[i] * radius[i]);
  }
  return sum;
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

void ReadLineReadout(const Kelvra& vehicle, LineReadout& line) {
  const TLineSections& sections = vehicle.LineParts();
  line.shown = sections.Gradient.Active() || sections.AdhLevel.Active();
  if (!line.shown) return;
  const auto axles = static_cast<std::size_t>(vehicle.AxleCount());
  double place = 0.0;
  line.levelLow = line.levelHigh = axles > 0 ? vehicle.AdhesionLevelAtAxle(0) : 1.0;
  for (std::size_t i = 0; i < axles; ++i) {
    place += vehicle.AxlePlace(i);
    line.levelLow = std::min(line.levelLow, vehicle.AdhesionLevelAtAxle(i));
    line.levelHigh = std::max(line.levelHigh, vehicle.AdhesionLevelAtAxle(i));
  }
  line.gradient = sections.Gradient.GradientAt(axles > 0 ? place / axles : 0.0);
}

std::string LineReadoutText(const LineReadout& line) {
  if (!line.shown) return "";
  std::array<char, 100> text;
  const int used =
      std::snprintf(text.data(), text.size(), "Gradient %+.1f o/oo, adhesion level %.2f",
                    line.gradient, line.levelLow);
  std::string result(text.data(), static_cast<std::size_t>(std::max(used, 0)));
  if (line.levelHigh != line.levelLow) {
    std::snprintf(text.data(), text.size(), " to %.2f", line.levelHigh);
    result += text.data();
  }
  return result;
}

PixelRect LineReadoutRect(const WorldView& view, float worldX, float width, float textSize) {
  const float x = (worldX - view.MinX()) * view.zoom - 0.5f * width;
  const float left = std::clamp(x, 0.0f, std::max(0.0f, view.width - width));
  const float top = std::clamp((view.MaxY() - 0.0f) * view.zoom + 0.5f * textSize, 0.0f,
                               std::max(0.0f, view.height - textSize));
  return {left, left + width, top, top + textSize};
}

double DriverReadout::Value(int item) const {
  switch (item) {
    case kDriverSpeed:
      return speedKmh;
    case kDriverDistance:
      return distance;
    case kDriverTraction:
      return tractionKn;
    case kDriverBrake:
      return brakeKn;
    default:
      return 0.0;
  }
}

void FormatDriverText(const DriverReadout& readout, int item, HudBuffer& buffer) {
  static const char* const kFormats[kDriverItemCount] = {kSpeedFormat, kDistanceFormat,
                                                         kTractionFormat, kBrakeFormat};
  buffer[0] = '\0';
  if (item < 0 || item >= kDriverItemCount) return;
  std::snprintf(buffer.data(), buffer.size(), kFormats[item], readout.Value(item));
}

std::string DriverString(const DriverReadout& readout, int item) {
  HudBuffer buffer;
  FormatDriverText(readout, item, buffer);
  return buffer.data();
}

PixelRect DriverPanel::Lamp(int axle) const {
  const float x = firstLampX + static_cast<float>(axle) * lampPitch;
  return {x, x + lampSize, lampY, lampY + lampSize};
}

PixelRect DriverPanel::Line(int item, int characters) const {
  const float y = item >= 0 && item < kDriverItemCount ? lineY[item] : slipY;
  return {textX, textX + 0.5f * textSize * static_cast<float>(characters), y, y + textSize};
}

// Four lines, then "Slip:" followed by the lamps. The frame overlaps the window's
// top edge by its line width, as the panels at the bottom do with theirs.
DriverPanel DriverPanelAt(float right, int axles, float scale) {
  const float s = scale;
  const float lamps = kLampPitch * static_cast<float>(std::max(axles, 0));
  const float width =
      s * (kInset + std::max(kLongestLine * kCharWidth, kSlipLabelWidth + lamps) + kInset);

  DriverPanel panel;
  panel.textSize = s * kLineHeight;
  panel.textX = right - width + s * kInset;
  for (int item = 0; item < kDriverItemCount; ++item) {
    panel.lineY[item] = s * (kTop + kLineSpacing * static_cast<float>(item));
  }
  panel.slipY = s * (kTop + kLineSpacing * static_cast<float>(kDriverItemCount) + 2.0f);
  panel.firstLampX = panel.textX + s * kSlipLabelWidth;
  panel.lampY = panel.slipY + 0.5f * s * (kLineHeight - kLampSize);
  panel.lampSize = s * kLampSize;
  panel.lampPitch = s * kLampPitch;
  panel.frame = {right - width, right, -2.0f, panel.lampY + s * (kLampSize + 10.0f)};
  return panel;
}
