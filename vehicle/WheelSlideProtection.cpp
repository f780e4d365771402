#include "vehicle/WheelSlideProtection.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>
#include <string>

#include "model/TextPrepass.h"
#include "vehicle/OptionalSections.h"

namespace {

constexpr std::size_t kSettingCount = std::size(kWheelSlideSettingNames);

// The settings in file order.
constexpr double WheelSlideSettings::*kSettingFields[kSettingCount] = {
    &WheelSlideSettings::refDecel,   &WheelSlideSettings::refAccel,
    &WheelSlideSettings::slideDiff,  &WheelSlideSettings::decelDiff,
    &WheelSlideSettings::slideDecel, &WheelSlideSettings::recoverAccel,
    &WheelSlideSettings::dumpRate,   &WheelSlideSettings::refillRate,
    &WheelSlideSettings::safetyTime, &WheelSlideSettings::minSpeed};

// The words of the section's line: from the next non-blank character (line
// ends skipped) to the end of its line, or to the keyword of another section
// standing on it, which stays for the reader of that section.
std::vector<std::string> SectionLine(std::istream& in) {
  std::vector<std::string> words;
  ReadRowWords(in, words);
  const auto keyword = std::find_if(words.begin() + (words.empty() ? 0 : 1), words.end(),
                                    [](const std::string& word) {
                                      return std::isupper(static_cast<unsigned char>(word[0])) != 0;
                                    });
  words.erase(keyword, words.end());
  return words;
}

}  // namespace

std::string WheelSlideProblem(const WheelSlideSettings& s) {
  for (std::size_t k = 0; k < kSettingCount; ++k) {
    if (!std::isfinite(s.*kSettingFields[k])) {
      return std::string(kWheelSlideSettingNames[k]) + " is not a finite number";
    }
  }
  const struct {
    double value;
    const char* name;
  } positives[] = {{s.refDecel, "ref_decel"},    {s.refAccel, "ref_accel"},
                   {s.decelDiff, "decel_diff"},  {s.slideDecel, "slide_decel"},
                   {s.dumpRate, "dump_rate"},    {s.refillRate, "refill_rate"},
                   {s.safetyTime, "safety_time"}};
  for (const auto& [value, name] : positives) {
    if (!(value > 0.0)) return std::string(name) + " must be above 0";
  }
  if (!(s.slideDiff > s.decelDiff)) return "slide_diff must be above decel_diff";
  if (s.recoverAccel < 0.0) return "recover_accel must not be below 0";
  if (s.minSpeed < 0.0) return "min_speed must not be below 0";
  return "";
}

// The switch, then the settings given, in file order.
bool TWheelSlideProtection::ReadPar(std::istream& section, std::ostream& log) {
  const std::vector<std::string> words = SectionLine(section);
  WheelSlideSettings read;
  std::string problem;
  double value = 0.0;
  if (words.empty() || !IsNumberWord(words[0], value)) {
    problem = "the switch must be 0 or 1, not " + QuotedExcerpt(words.empty() ? "" : words[0]);
  } else if (value != 0.0 && value != 1.0) {
    problem = "the switch must be 0 or 1, not " + QuotedExcerpt(words[0]);
  } else if (words.size() > kSettingCount + 1) {
    problem = "its line has " + std::to_string(words.size() - 1) + " settings, at most " +
              std::to_string(kSettingCount) + " are known";
  }
  read.enabled = value == 1.0;
  for (std::size_t k = 1; problem.empty() && k < words.size(); ++k) {
    if (!IsNumberWord(words[k], read.*kSettingFields[k - 1])) {
      problem = std::string("the setting ") + kWheelSlideSettingNames[k - 1] + " " +
                QuotedExcerpt(words[k]) + " is no number";
    }
  }
  if (problem.empty()) problem = WheelSlideProblem(read);
  if (!problem.empty()) {
    log << "\nError - WSP: " << problem << ".\n"
        << "\nTWheelSlideProtection::ReadPar() is not successfull.\n";
    return false;
  }
  settings = read;
  if (settings.enabled) log << "\nTWheelSlideProtection::ReadPar() successfully finished.\n";
  return true;
}

bool TWheelSlideProtection::SetPar(std::size_t axleCount, double step, std::ostream& log) {
  return SetPar(axleCount, step, settings, log);
}

bool TWheelSlideProtection::SetPar(std::size_t axleCount, double step,
                                   const WheelSlideSettings& values, std::ostream& log) {
  const std::string problem = WheelSlideProblem(values);
  if (!problem.empty()) {
    log << "\nError - WSP: " << problem << ".\n";
    return false;
  }
  // A unit switched off is never stepped: any vehicle may carry it.
  if (values.enabled && !(step > 0.0)) {
    log << "\nError - WSP: the time step " << step << " s must be above 0.\n";
    return false;
  }
  settings = values;
  timeStep = step;
  committed.brakeShare.assign(axleCount, 1.0);
  Init();
  return true;
}

void TWheelSlideProtection::Init() {
  const std::size_t axles = committed.brakeShare.size();
  committed.reference = 0.0;
  committed.hasReference = false;
  committed.brakeShare.assign(axles, 1.0);
  committed.tractionShare.assign(axles, 1.0);
  committed.lastWheelSpeed.assign(axles, 0.0);
  committed.releaseTime.assign(axles, 0.0);
  committed.releaseSteps.assign(axles, 0);
  committed.releaseRun.assign(axles, 0.0);
  committed.valve.assign(axles, WspValve::Refill);
  committed.timedOut.assign(axles, 0);
  committed.brakePhase.assign(axles, kUntouched);
  committed.tractionPhase.assign(axles, kUntouched);
  next = committed;
  stepDone = false;
}

bool TWheelSlideProtection::Fits(const State& state) const {
  const std::size_t axles = AxleNum();
  for (std::size_t size :
       {state.brakeShare.size(), state.tractionShare.size(), state.lastWheelSpeed.size(),
        state.releaseTime.size(), state.releaseSteps.size(), state.releaseRun.size(),
        state.valve.size(), state.timedOut.size(), state.brakePhase.size(),
        state.tractionPhase.size()}) {
    if (size != axles) return false;
  }
  return true;
}

bool TWheelSlideProtection::Restore(const State& state) {
  if (!Fits(state)) return false;
  committed = state;
  next = state;
  stepDone = false;
  return true;
}

double TWheelSlideProtection::Direction(const std::vector<double>& wheelSpeed, bool braking,
                                        double tractionForce) const {
  if (!braking && tractionForce != 0.0) return tractionForce > 0.0 ? 1.0 : -1.0;
  double sum = 0.0;
  for (const double w : wheelSpeed) sum += w;
  return sum < 0.0 ? -1.0 : 1.0;
}

// In the compared direction u = dir w: braking or coasting the reference is
// the fastest wheel, falling no faster than refDecel; under traction the
// slowest, rising no faster than refAccel. The first step takes the wheels
// as they are.
void TWheelSlideProtection::UpdateReference(const std::vector<double>& wheelSpeed, double dir,
                                            bool traction) {
  double bound = dir * wheelSpeed[0];
  for (const double w : wheelSpeed) {
    bound = traction ? std::min(bound, dir * w) : std::max(bound, dir * w);
  }
  if (committed.hasReference) {
    const double previous = dir * committed.reference;
    bound = traction ? std::min(bound, previous + settings.refAccel * timeStep)
                     : std::max(bound, previous - settings.refDecel * timeStep);
  }
  next.reference = dir * bound;
  next.hasReference = true;
}

// A slide is vented until the wheel turns and speeds up again, held while it
// does, and the brake is refilled once it has caught up: only then does the
// wheel's speed tell the vehicle's again. A wheel whose brake is vented in
// full and that still does not turn never slid (a wheelset that swung on its
// suspension as the brake came on) or does not answer (a lifted wheel, a
// seized axle): its brake is refilled, and the safety timer watches it.
WspValve TWheelSlideProtection::Decide(double difference, double accel, double share,
                                       std::uint8_t& phase) const {
  const WheelSlideSettings& s = settings;
  const bool slides =
      difference > s.slideDiff || (difference > s.decelDiff && -accel > s.slideDecel);
  if (accel > s.recoverAccel) {
    if (phase != kUntouched) phase = kRecovering;
    return WspValve::Hold;
  }
  if ((slides || phase == kVenting) && share > 0.0) {
    phase = kVenting;
    return WspValve::Dump;
  }
  phase = kUntouched;
  return WspValve::Refill;
}

double TWheelSlideProtection::MoveShare(double share, WspValve valve) const {
  if (valve == WspValve::Dump) return std::max(0.0, share - settings.dumpRate * timeStep);
  if (valve == WspValve::Refill) return std::min(1.0, share + settings.refillRate * timeStep);
  return share;
}

void TWheelSlideProtection::RefillTraction(std::size_t i) {
  next.tractionPhase[i] = kUntouched;
  next.tractionShare[i] = MoveShare(committed.tractionShare[i], WspValve::Refill);
}

// A released brake re-arms the safety timer. Its cylinder is empty, so the
// valve's share does not matter until the next application, which finds the
// valve open.
void TWheelSlideProtection::ReleaseAxle(std::size_t i) {
  next.timedOut[i] = 0;
  next.brakePhase[i] = kUntouched;
  next.brakeShare[i] = 1.0;
  next.releaseRun[i] = 0.0;
  next.valve[i] = WspValve::Refill;
}

// The safety timer runs while the brake is short of its demand, and starts
// again whenever the wheel recovers (the unit is working on a wheel that
// slides) or the brake is whole.
void TWheelSlideProtection::StepBrakedAxle(std::size_t i, double difference, double accel) {
  const double share = committed.brakeShare[i];
  WspValve valve = WspValve::Refill;
  double run = 0.0;
  if (committed.timedOut[i] == 0) {
    valve = Decide(difference, accel, share, next.brakePhase[i]);
    const bool working = valve == WspValve::Hold || MoveShare(share, valve) >= 1.0;
    run = working ? 0.0 : committed.releaseRun[i] + timeStep;
  }
  if (run > settings.safetyTime) {
    next.timedOut[i] = 1;
    next.brakePhase[i] = kUntouched;
    valve = WspValve::Refill;
    run = 0.0;
  }
  next.valve[i] = valve;
  next.brakeShare[i] = MoveShare(share, valve);
  next.releaseRun[i] = run;
  // Counted in steps, so that the time does not gather the rounding of a sum.
  if (valve != WspValve::Refill) {
    next.releaseSteps[i] = committed.releaseSteps[i] + 1;
    next.releaseTime[i] = static_cast<double>(next.releaseSteps[i]) * timeStep;
  }
}

void TWheelSlideProtection::StepDrivenAxle(std::size_t i, double difference, double accel) {
  // A spinning wheel runs ahead of the reference and speeds up: the braked
  // axle's criteria with both turned round.
  const WspValve valve =
      Decide(difference, accel, committed.tractionShare[i], next.tractionPhase[i]);
  next.valve[i] = valve;
  next.tractionShare[i] = MoveShare(committed.tractionShare[i], valve);
}

void TWheelSlideProtection::DoStep(const std::vector<double>& wheelSpeed,
                                   const std::vector<double>& brakeDemand, double tractionForce) {
  next = committed;
  stepDone = true;
  const std::size_t axles = std::min(AxleNum(), wheelSpeed.size());
  if (axles == 0) return;
  bool braking = false;
  for (std::size_t i = 0; i < std::min(axles, brakeDemand.size()); ++i) {
    braking = braking || brakeDemand[i] != 0.0;
  }
  const bool traction = !braking && tractionForce != 0.0;
  const double dir = Direction(wheelSpeed, braking, tractionForce);
  UpdateReference(wheelSpeed, dir, traction);
  const double reference = dir * next.reference;
  // Braking, the unit stands back at low speed so that the brake stops the
  // vehicle; a wheel spinning up at the start is caught from rest.
  const bool braked = reference >= settings.minSpeed;

  for (std::size_t i = 0; i < axles; ++i) {
    const double u = dir * wheelSpeed[i];
    const double accel =
        committed.hasReference ? (u - dir * committed.lastWheelSpeed[i]) / timeStep : 0.0;
    next.lastWheelSpeed[i] = wheelSpeed[i];
    const bool demanded = i < brakeDemand.size() && brakeDemand[i] != 0.0;
    if (!demanded) ReleaseAxle(i);
    if (traction) {
      StepDrivenAxle(i, u - reference, -accel);
      continue;
    }
    RefillTraction(i);
    if (!demanded) continue;
    if (braked) {
      StepBrakedAxle(i, reference - u, accel);
    } else {
      next.brakePhase[i] = kUntouched;
      next.valve[i] = WspValve::Refill;
      next.releaseRun[i] = 0.0;
      next.brakeShare[i] = MoveShare(committed.brakeShare[i], WspValve::Refill);
    }
  }
}

bool TWheelSlideProtection::Finalize() {
  if (!stepDone) return false;
  committed = next;
  stepDone = false;
  return true;
}
