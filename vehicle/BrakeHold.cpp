#include "vehicle/BrakeHold.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>

#include "model/TextPrepass.h"

namespace {

double Sign(double x) {
  return x > 0.0 ? 1.0 : (x < 0.0 ? -1.0 : 0.0);
}

// The element of `m` (row-major, rows of `columns` entries) at row i, column j.
double ElementOf(const SparseMatrix& m, std::uint32_t i, std::uint32_t j) {
  const std::uint32_t begin = j == 0 ? 0 : m.ColumnEnd()[j - 1];
  for (std::uint32_t e = begin; e < m.ColumnEnd()[j]; ++e) {
    if (m.RowOf()[e] == i) return m.Values()[e];
  }
  return 0.0;
}

}  // namespace

bool TBrakeHold::ReadPar(const OptionalSections& sections, std::ostream& log) {
  on = false;
  std::istringstream section;
  if (!sections.Open("BRKHOLD", section)) return true;
  std::string word;
  double value = 0.0;
  if (!ReadNumberWord(section, value, word) || (value != 0.0 && value != 1.0)) {
    log << "\nError - BRKHOLD " << QuotedExcerpt(word)
        << " must be 0 (the linear band near standstill) or 1 (the brake holds a wheel at "
           "rest).\n";
    return false;
  }
  if (!NothingMoreRead(section, "BRKHOLD", log)) return false;
  on = value == 1.0;
  if (on) log << "\nTBrakeHold::ReadPar() successfully finished.\n";
  return true;
}

void TBrakeHold::SetPar(const SparseMatrix& p, const std::vector<unsigned>& wheelDofIndices,
                        const std::vector<double>& brakeForceRadius) {
  axles = std::min(wheelDofIndices.size(), brakeForceRadius.size());
  speedEntry.assign(wheelDofIndices.begin(), wheelDofIndices.begin() + axles);
  radius.resize(axles);
  for (std::size_t i = 0; i < axles; ++i) radius[i] = std::fabs(brakeForceRadius[i]);
  speedResponse.assign(axles * axles, 0.0);
  for (std::size_t i = 0; i < axles; ++i) {
    for (std::size_t j = 0; j < axles && j < p.Cols(); ++j) {
      if (speedEntry[i] < p.Rows()) {
        speedResponse[i * axles + j] = ElementOf(p, speedEntry[i], static_cast<std::uint32_t>(j));
      }
    }
  }
}

void TBrakeHold::Init(std::size_t axleCount) {
  axles = std::min(axleCount, speedEntry.size());
  held.assign(axles, 0);
  parked.assign(axles, 0);
  braked.assign(axles, 0);
  parkedCount = 0;
  for (std::vector<double>* v : {&startSpeed, &direction, &appliedEnd, &holdLimit, &factor,
                                 &unloaded0, &unloaded1, &parkingForce, &rhs}) {
    v->assign(axles, 0.0);
  }
  matrix.assign(axles * axles, 0.0);
  members.clear();
  members.reserve(axles);
}

double TBrakeHold::Sat(double slip) const {
  if (std::fabs(slip) < lim) return slip / lim;
  return slip >= 0.0 ? 1.0 : -1.0;
}

void TBrakeHold::Start(const Wheels& committed, double slipBand) {
  lim = slipBand;
  parkedCount = 0;
  members.clear();
  for (std::size_t i = 0; i < axles; ++i) {
    const double applied = committed.appliedStart[i];
    const double w = committed.wheelSpeed[i];
    const double need = committed.adhesion[i] - committed.resistance[i];
    startSpeed[i] = w;
    unloaded0[i] = committed.adhesion[i];
    appliedEnd[i] = committed.appliedEnd[i];
    holdLimit[i] = radius[i] * std::min(applied, committed.appliedEnd[i]);
    braked[i] = applied > 0.0 || committed.appliedEnd[i] > 0.0;
    held[i] = w == 0.0 && applied > 0.0 && std::fabs(need) <= radius[i] * applied;
    parked[i] = held[i] && std::fabs(committed.vehicleSpeed[i]) < lim;
    parkedCount += parked[i] ? 1 : 0;
    direction[i] = w != 0.0 ? Sign(w) : Sign(need);
    factor[i] = held[i] ? need / (radius[i] * applied) : direction[i];
  }
}

void TBrakeHold::End(const std::vector<double>& adhesion, const std::vector<double>& resistance) {
  for (std::size_t i = 0; i < axles; ++i) {
    if (!held[i]) {
      factor[i] = direction[i];
      continue;
    }
    const double limit = radius[i] * appliedEnd[i];
    const double need = adhesion[i] - resistance[i];
    factor[i] = limit > 0.0 ? std::clamp(need / limit, -1.0, 1.0) : 0.0;
  }
}

void TBrakeHold::Unload(std::vector<double>& u0, std::vector<double>& u1) {
  // The start input holds the committed adhesion (Start keeps it), whatever
  // an earlier pass of the step put there.
  for (std::size_t i = 0; i < axles; ++i) {
    if (parked[i]) unloaded1[i] = &u1 == &u0 ? unloaded0[i] : u1[i];
  }
  for (std::size_t i = 0; i < axles; ++i) {
    if (!parked[i]) continue;
    u0[i] = 0.0;
    u1[i] = 0.0;
  }
}

// Gaussian elimination with partial pivoting over the members' rows and
// columns of the speed response. A pivot that vanishes beside the largest
// response (two wheels on one wheelset, say) leaves that wheel out.
bool TBrakeHold::SolveParking(const std::vector<double>& base) {
  const std::size_t k = members.size();
  double scale = 0.0;
  for (std::size_t r = 0; r < k; ++r) {
    for (std::size_t c = 0; c < k; ++c) {
      matrix[r * k + c] = speedResponse[members[r] * axles + members[c]];
      scale = std::max(scale, std::fabs(matrix[r * k + c]));
    }
    rhs[r] = -base[speedEntry[members[r]]];
  }
  for (std::size_t c = 0; c < k; ++c) {
    std::size_t pivot = c;
    for (std::size_t r = c + 1; r < k; ++r) {
      if (std::fabs(matrix[r * k + c]) > std::fabs(matrix[pivot * k + c])) pivot = r;
    }
    if (!(std::fabs(matrix[pivot * k + c]) > 1e-12 * scale)) {
      members.erase(members.begin() + static_cast<std::ptrdiff_t>(c));
      return false;
    }
    if (pivot != c) {
      for (std::size_t j = 0; j < k; ++j) std::swap(matrix[c * k + j], matrix[pivot * k + j]);
      std::swap(rhs[c], rhs[pivot]);
    }
    for (std::size_t r = c + 1; r < k; ++r) {
      const double m = matrix[r * k + c] / matrix[c * k + c];
      for (std::size_t j = c; j < k; ++j) matrix[r * k + j] -= m * matrix[c * k + j];
      rhs[r] -= m * rhs[c];
    }
  }
  for (std::size_t c = k; c-- > 0;) {
    double sum = rhs[c];
    for (std::size_t j = c + 1; j < k; ++j) sum -= matrix[c * k + j] * parkingForce[members[j]];
    parkingForce[members[c]] = sum / matrix[c * k + c];
  }
  return true;
}

void TBrakeHold::Park(const std::vector<double>& base, const std::vector<double>& capacityStart,
                      const std::vector<double>& capacityEnd, std::vector<double>& u0,
                      std::vector<double>& u1) {
  members.clear();
  for (std::size_t i = 0; i < axles; ++i) {
    if (parked[i]) members.push_back(i);
  }
  while (!members.empty()) {
    if (!SolveParking(base)) continue;
    std::size_t worst = members.size();
    double worstExcess = 1.0;
    for (std::size_t m = 0; m < members.size(); ++m) {
      const std::size_t i = members[m];
      const double limit = std::min({capacityStart[i], capacityEnd[i], holdLimit[i]});
      const double force = std::fabs(parkingForce[i]);
      const double excess = limit > 0.0
                                ? force / limit
                                : (force > 0.0 ? std::numeric_limits<double>::infinity() : 0.0);
      if (!(excess <= worstExcess)) {
        worstExcess = excess;
        worst = m;
      }
    }
    if (worst == members.size()) break;
    members.erase(members.begin() + static_cast<std::ptrdiff_t>(worst));
  }
  for (std::size_t i = 0; i < axles; ++i) {
    if (!parked[i]) continue;
    const bool member = std::find(members.begin(), members.end(), i) != members.end();
    u0[i] = member ? parkingForce[i] : unloaded0[i];
    u1[i] = member ? parkingForce[i] : unloaded1[i];
  }
}

void TBrakeHold::Settle(TAxleIntegrator& axleRot, const std::vector<double>& capacityEnd,
                        const std::vector<double>& speedEnd) const {
  const std::vector<double>& wheelSpeed = axleRot.WheelSpeed();
  const std::vector<double>& meanAdhesion = axleRot.MeanAdhesionForce();
  for (std::size_t i = 0; i < axles; ++i) {
    const bool member = parked[i] && std::find(members.begin(), members.end(), i) != members.end();
    const bool stopped =
        !held[i] && braked[i] && startSpeed[i] != 0.0 && !(wheelSpeed[i] * startSpeed[i] > 0.0);
    if (member) {
      axleRot.HoldWheel(i, parkingForce[i], parkingForce[i]);
    } else if (held[i] || stopped) {
      axleRot.HoldWheel(i, capacityEnd[i] * Sat(speedEnd[i]), meanAdhesion[i]);
    }
  }
}
