#include "vehicle/Gradient.h"

#include <cmath>
#include <sstream>
#include <string>

namespace {

std::string CheckGradient(double perMille) {
  if (std::fabs(perMille) <= kSteepestGradient) return "";
  std::ostringstream text;
  text << "must lie from " << -kSteepestGradient << " to " << kSteepestGradient
       << " per mille (the normal forces keep their static loads, which is right only for "
          "gentle gradients)";
  return text.str();
}

// sin(theta) of tan(theta) = perMille / 1000.
double GradientSine(double perMille) {
  return perMille / std::sqrt(1e6 + perMille * perMille);
}

// [a b]: the columns of `b` after those of `a`, which has as many rows.
SparseMatrix SideBySide(const SparseMatrix& a, const SparseMatrix& b) {
  const std::size_t rows = a.Rows();
  const std::size_t cols = static_cast<std::size_t>(a.Cols()) + b.Cols();
  std::vector<double> dense(rows * cols, 0.0);
  std::size_t column = 0;
  for (const SparseMatrix* part : {&a, &b}) {
    std::size_t element = 0;
    for (std::size_t j = 0; j < part->Cols(); ++j, ++column) {
      for (; element < part->ColumnEnd()[j]; ++element) {
        dense[part->RowOf()[element] * cols + column] = part->Values()[element];
      }
    }
  }
  SparseMatrix joined;
  joined.FromRowMajor(static_cast<std::uint32_t>(rows), dense);
  return joined;
}

}  // namespace

bool TGradient::ReadPar(const OptionalSections& sections, std::ostream& log) {
  std::istringstream section;
  rowAcceleration.clear();
  if (!sections.Open("GRADIENT", section)) {
    table.Clear(0.0);
    return true;
  }
  if (!table.Read(section, "GRADIENT", 0.0, CheckGradient, log)) return false;
  for (double perMille : table.Values()) {
    rowAcceleration.push_back(-kGravity * GradientSine(perMille));
  }
  if (Active()) log << "\nTGradient::ReadPar() successfully finished.\n";
  return true;
}

bool TGradient::SetPar(const LineCoupling& line, const GravityStep& gravity, SparseMatrix& p,
                       SparseMatrix& p1, std::ostream& log) {
  displacementIndex.clear();
  bodyPlace.clear();
  if (!Active()) return true;
  if (!gravity.problem.empty()) {
    log << "\nError - GRADIENT: " << gravity.problem << ".\n";
    return false;
  }
  const std::size_t bodies = line.bodyDisplacementIndex.size();
  if (gravity.held.Rows() != p.Rows() || gravity.held.Cols() != bodies ||
      gravity.ramp.Rows() != p1.Rows() || gravity.ramp.Cols() != bodies) {
    log << "\nError - GRADIENT: the gravity step responses do not fit the step matrices.\n";
    return false;
  }
  displacementIndex = line.bodyDisplacementIndex;
  bodyPlace = line.bodyPlace;
  carDisplacementIndex = line.carDisplacementIndex;
  p = SideBySide(p, gravity.held);
  p1 = SideBySide(p1, gravity.ramp);
  return true;
}

void TGradient::Init(const std::vector<double>& initialState) {
  StartOffsets(bodyPlace, carDisplacementIndex, initialState, placeOffset);
  cursor.assign(bodyPlace.size(), 0);
}

double TGradient::BodyPlace(const std::vector<double>& state, std::size_t body) const {
  return placeOffset[body] + state[displacementIndex[body]];
}

void TGradient::FillInputs(const std::vector<double>& state, std::vector<double>& input,
                           std::size_t first) {
  for (std::size_t b = 0; b < placeOffset.size() && first + b < input.size(); ++b) {
    table.At(BodyPlace(state, b), cursor[b]);
    input[first + b] = cursor[b] == 0 ? 0.0 : rowAcceleration[cursor[b] - 1];
  }
}

double TGradient::GradientAt(double position) const {
  std::size_t start = 0;
  return table.At(position, start);
}

double TGradient::AccelerationAt(double position) const {
  return -kGravity * GradientSine(GradientAt(position));
}
