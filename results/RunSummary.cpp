#include "results/RunSummary.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "results/CsvWriter.h"

namespace {

double At(const std::vector<double>& values, std::size_t i) {
  return i < values.size() ? values[i] : 0.0;
}

double Mean(const std::vector<double>& values, std::size_t count) {
  if (count == 0) return 0.0;
  double sum = 0.0;
  for (std::size_t i = 0; i < count; ++i) sum += At(values, i);
  return sum / static_cast<double>(count);
}

bool AnyAbove(const std::vector<double>& values, std::size_t count, double limit) {
  for (std::size_t i = 0; i < count; ++i) {
    if (At(values, i) > limit) return true;
  }
  return false;
}

std::string Number(double value) {
  char text[kMaxNumberChars];
  return std::string(text, FormatNumber(text, value));
}

std::string Cell(const std::optional<double>& value) {
  return value ? Number(*value) : std::string();
}

}  // namespace

void RunSummaryBuilder::Start(std::size_t axleCount, double slipBand, double timeStep) {
  summary = RunSummary();
  const double rowsPerSpan = timeStep > 0.0 ? std::round(kAccelerationSpan / timeStep) : 1.0;
  spanRows = rowsPerSpan >= 1.0 && rowsPerSpan < 1e6 ? static_cast<std::size_t>(rowsPerSpan) : 1;
  recentTimes.assign(spanRows + 1, 0.0);
  recentSpeeds.assign(spanRows + 1, 0.0);
  rowsAdded = 0;
  summary.largestSlip.assign(axleCount, 0.0);
  axles = axleCount;
  band = slipBand;
  first = true;
  brakeStart.reset();
}

void RunSummaryBuilder::Add(double time, const std::vector<double>& brakeInput,
                            const std::vector<double>& vehicleSpeed,
                            const std::vector<double>& wheelSpeed,
                            const std::vector<double>& position) {
  if (!Started()) return;
  const double speed = Mean(vehicleSpeed, axles);
  const double travelled = Mean(position, axles);
  bool sliding = false;
  for (std::size_t i = 0; i < axles; ++i) {
    const double slip = std::fabs(At(vehicleSpeed, i) - At(wheelSpeed, i));
    summary.largestSlip[i] = std::max(summary.largestSlip[i], slip);
    sliding = sliding || slip > band;
  }
  summary.peakSpeed = std::max(summary.peakSpeed, std::fabs(speed));
  if (!first) {
    const double step = time - lastTime;
    if (sliding) summary.slidingTime += step;
    if (!brakeStart && AnyAbove(brakeInput, axles, 0.0)) {
      brakeStart = BrakeStart{lastTime, lastPosition, lastSpeed};
      summary.brakeTime = lastTime;
    }
    FollowStop(time, speed, travelled);
  }
  FollowAcceleration(time, speed);
  first = false;
  lastTime = time;
  lastSpeed = speed;
  lastPosition = travelled;
}

void RunSummaryBuilder::FollowAcceleration(double time, double speed) {
  const std::size_t ring = spanRows + 1;
  const std::size_t slot = rowsAdded % ring;
  recentTimes[slot] = time;
  recentSpeeds[slot] = speed;
  ++rowsAdded;
  if (rowsAdded < ring) return;
  const std::size_t spanStart = rowsAdded % ring;  // the oldest row kept
  const double span = time - recentTimes[spanStart];
  if (!(span > 0.0)) return;
  const double acceleration = (speed - recentSpeeds[spanStart]) / span;
  summary.peakAcceleration = std::max(summary.peakAcceleration, acceleration);
  summary.peakDeceleration = std::max(summary.peakDeceleration, -acceleration);
}

// The stop is the first sample at which the speed is 0 or has changed sign
// against the direction of travel when the brake was applied.
void RunSummaryBuilder::FollowStop(double time, double speed, double position) {
  if (!brakeStart || summary.stopTime) return;
  const BrakeStart& start = *brakeStart;
  double stoppedAt = time;
  double stoppedPosition = position;
  if (start.speed == 0.0) {
    stoppedAt = start.time;
    stoppedPosition = start.position;
  } else if (speed * start.speed > 0.0) {
    return;
  }
  summary.stopTime = stoppedAt - start.time;
  summary.stopDistance = std::fabs(stoppedPosition - start.position);
}

RunSummary SummariseRun(const std::vector<SummaryRow>& rows, std::size_t axleCount, double slipBand,
                        double timeStep) {
  RunSummaryBuilder builder;
  builder.Start(axleCount, slipBand, timeStep);
  for (const SummaryRow& row : rows) {
    builder.Add(row.time, row.brakeInput, row.vehicleSpeed, row.wheelSpeed, row.position);
  }
  return builder.Result();
}

std::string SummaryLine(const RunSummary& summary) {
  std::ostringstream line;
  line << "Summary: peak speed " << summary.peakSpeed << " m/s, peak acceleration "
       << summary.peakAcceleration << " m/s2, peak deceleration " << summary.peakDeceleration
       << " m/s2, ";
  if (summary.stopTime) {
    line << "stopping time " << *summary.stopTime << " s, stopping distance "
         << *summary.stopDistance << " m, ";
  } else {
    line << "does not stop, ";
  }
  line << "sliding " << summary.slidingTime << " s, largest slip";
  for (double slip : summary.largestSlip) line << ' ' << slip;
  line << " m/s\n";
  return line.str();
}

std::string SummaryHeader(const std::vector<std::string>& leading, std::size_t axleCount) {
  std::string header;
  for (const std::string& name : leading) header += name + ",";
  header +=
      "peak_speed,peak_acceleration,peak_deceleration,brake_time,stopping_time,"
      "stopping_distance,sliding_time";
  for (std::size_t i = 1; i <= axleCount; ++i) header += ",largest_slip_" + std::to_string(i);
  return header + "\n";
}

std::string SummaryCells(const RunSummary& summary) {
  std::string cells = Number(summary.peakSpeed) + "," + Number(summary.peakAcceleration) + "," +
                      Number(summary.peakDeceleration) + "," + Cell(summary.brakeTime) + "," +
                      Cell(summary.stopTime) + "," + Cell(summary.stopDistance) + "," +
                      Number(summary.slidingTime);
  for (double slip : summary.largestSlip) cells += "," + Number(slip);
  return cells;
}
