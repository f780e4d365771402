#include "results/RunSummary.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

#include "results/ColumnCatalogue.h"
#include "results/CsvWriter.h"
#include "vehicle/Gradient.h"

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
  braking = false;
  slowSince.reset();
  movedOn = 0.0;
  adhesion = gradientSine = 0.0;
}

void RunSummaryBuilder::SetLineConditions(double adhesionNow, double gradientSineNow) {
  summary.onRealLine = true;
  adhesion = adhesionNow;
  gradientSine = gradientSineNow;
}

void RunSummaryBuilder::SetSlideRelease(const std::vector<double>& releaseTime) {
  summary.slideRelease.assign(releaseTime.begin(), releaseTime.end());
}

void RunSummaryBuilder::Add(double time, const std::vector<double>& brakeInput,
                            const std::vector<double>& vehicleSpeed,
                            const std::vector<double>& wheelSpeed,
                            const std::vector<double>& position, double centreSpeed) {
  if (!Started()) return;
  const double speed = Mean(vehicleSpeed, axles);
  const double travelled = Mean(position, axles);
  const double step = time - last.time;
  const double stepSpeed = !first && step > 0.0 ? (travelled - last.position) / step : speed;
  Place row{time, travelled, stepSpeed, last.adhesionRun, last.gradientRun};
  if (!first) {
    // Each step's stretch at the conditions of its end.
    const double dx = travelled - last.position;
    row.adhesionRun += adhesion * std::fabs(dx);
    row.gradientRun += gradientSine * dx;
  }
  bool sliding = false;
  for (std::size_t i = 0; i < axles; ++i) {
    const double slip = std::fabs(At(vehicleSpeed, i) - At(wheelSpeed, i));
    summary.largestSlip[i] = std::max(summary.largestSlip[i], slip);
    sliding = sliding || slip > band;
  }
  summary.peakSpeed = std::max(summary.peakSpeed, std::fabs(speed));
  if (!first) {
    if (sliding && std::fabs(stepSpeed) >= kStandstillSpeed) summary.slidingTime += step;
    FollowBrake(row, AnyAbove(brakeInput, axles, 0.0));
  }
  FollowAcceleration(time, centreSpeed);
  first = false;
  last = row;
}

void RunSummaryBuilder::FollowAcceleration(double time, double centreSpeed) {
  const std::size_t ring = spanRows + 1;
  const std::size_t slot = rowsAdded % ring;
  recentTimes[slot] = time;
  recentSpeeds[slot] = centreSpeed;
  ++rowsAdded;
  if (rowsAdded < ring) return;
  const std::size_t spanStart = rowsAdded % ring;  // the oldest row kept
  const double span = time - recentTimes[spanStart];
  if (!(span > 0.0)) return;
  const double acceleration = (centreSpeed - recentSpeeds[spanStart]) / span;
  summary.peakAcceleration = std::max(summary.peakAcceleration, acceleration);
  summary.peakDeceleration = std::max(summary.peakDeceleration, -acceleration);
}

// The stop is looked for from the first brake application, whose start is the
// row before the first braked step, until the brake is first released.
void RunSummaryBuilder::FollowBrake(const Place& row, bool braked) {
  if (!brakeStart) {
    if (!braked) return;
    brakeStart = last;
    summary.brakeTime = last.time;
    braking = true;
    FollowStandstill(last);
  } else if (!braked) {
    braking = false;
  }
  if (braking) FollowStandstill(row);
}

// A suspension settling swings the speed by a few mm/s about zero, and a wheel
// chattering at rest throws it back and forth by a few cm/s from step to step
// without getting anywhere: the speed that counts is the step's mean, its
// change of position over its time. A vehicle that only slowed down keeps
// moving on.
void RunSummaryBuilder::FollowStandstill(const Place& row) {
  if (std::fabs(row.speed) < kStandstillSpeed) {
    if (!slowSince) {
      slowSince = row;
      movedOn = 0.0;
    }
    movedOn = std::max(movedOn, std::fabs(row.position - slowSince->position));
  } else {
    slowSince.reset();
  }
  summary.stopTime.reset();
  summary.stopDistance.reset();
  summary.creepDistance.reset();
  summary.adhesionUsed.reset();
  if (!slowSince) return;
  if (movedOn > kCreepDistance) {
    summary.creepDistance = movedOn;
    return;
  }
  summary.stopTime = slowSince->time - brakeStart->time;
  summary.stopDistance = std::fabs(slowSince->position - brakeStart->position);
  FollowAdhesionUsed();
}

void RunSummaryBuilder::FollowAdhesionUsed() {
  summary.adhesionUsed.reset();
  if (!summary.onRealLine) return;
  const double adhesionRun = slowSince->adhesionRun - brakeStart->adhesionRun;
  const double gradientRun = slowSince->gradientRun - brakeStart->gradientRun;
  const double v0 = brakeStart->speed;
  if (!(adhesionRun > 0.0)) return;
  summary.adhesionUsed = (v0 * v0 / 2.0 - kGravity * gradientRun) / (kGravity * adhesionRun);
}

RunSummary SummariseRun(const std::vector<SummaryRow>& rows, std::size_t axleCount, double slipBand,
                        double timeStep) {
  RunSummaryBuilder builder;
  builder.Start(axleCount, slipBand, timeStep);
  for (const SummaryRow& row : rows) {
    builder.Add(row.time, row.brakeInput, row.vehicleSpeed, row.wheelSpeed, row.position,
                row.centreSpeed);
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
  } else if (summary.creepDistance) {
    line << "does not stop (creeps on " << *summary.creepDistance << " m below " << kStandstillSpeed
         << " m/s), ";
  } else {
    line << "does not stop, ";
  }
  line << "sliding " << summary.slidingTime << " s, largest slip";
  for (double slip : summary.largestSlip) line << ' ' << slip;
  line << " m/s";
  if (summary.onRealLine && summary.adhesionUsed) {
    line << ", adhesion used " << *summary.adhesionUsed;
  }
  if (!summary.slideRelease.empty()) {
    line << ", WSP released";
    for (double time : summary.slideRelease) line << ' ' << time;
    line << " s";
  }
  line << "\n";
  return line.str();
}

std::vector<double> SummaryValues(const RunSummary& summary, bool adhesionUsed, bool slideRelease) {
  const double none = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> values = {summary.peakSpeed,
                                summary.peakAcceleration,
                                summary.peakDeceleration,
                                summary.brakeTime.value_or(none),
                                summary.stopTime.value_or(none),
                                summary.stopDistance.value_or(none),
                                summary.slidingTime};
  values.insert(values.end(), summary.largestSlip.begin(), summary.largestSlip.end());
  if (adhesionUsed) values.push_back(summary.adhesionUsed.value_or(none));
  const std::vector<double>& release = summary.slideRelease;
  for (std::size_t i = 0; slideRelease && i < summary.largestSlip.size(); ++i) {
    values.push_back(i < release.size() ? release[i] : none);
  }
  return values;
}

std::string SummaryHeader(const std::vector<std::string>& leading, std::size_t axleCount,
                          bool adhesionUsed, bool slideRelease) {
  std::string header;
  for (const std::string& name : leading) header += name + ",";
  ColumnShape shape;
  shape.axles = static_cast<int>(axleCount);
  shape.adhesionUsed = adhesionUsed;
  shape.slideProtection = slideRelease;
  const std::vector<std::string> figures = ColumnNames(FileColumns(FileKind::Summary, shape));
  for (std::size_t i = 0; i < figures.size(); ++i) header += (i > 0 ? "," : "") + figures[i];
  return header + "\n";
}

std::string SummaryCells(const RunSummary& summary, bool adhesionUsed, bool slideRelease) {
  std::string cells = Number(summary.peakSpeed) + "," + Number(summary.peakAcceleration) + "," +
                      Number(summary.peakDeceleration) + "," + Cell(summary.brakeTime) + "," +
                      Cell(summary.stopTime) + "," + Cell(summary.stopDistance) + "," +
                      Number(summary.slidingTime);
  for (double slip : summary.largestSlip) cells += "," + Number(slip);
  if (adhesionUsed) cells += "," + Cell(summary.adhesionUsed);
  const std::vector<double>& release = summary.slideRelease;
  for (std::size_t i = 0; slideRelease && i < summary.largestSlip.size(); ++i) {
    cells += "," + (i < release.size() ? Number(release[i]) : std::string());
  }
  return cells;
}
