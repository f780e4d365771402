#pragma once

// The optional sections of braking on a real line: the gradient and the
// adhesion level along the line, the brake cylinders, a brake that holds a
// wheel at rest, wheel slide protection and a start at speed. Each is neutral
// unless the model file says otherwise, and the vehicle then runs exactly as
// without it.

#include <ostream>
#include <string>
#include <vector>

#include "solver/SparseMatrix.h"
#include "vehicle/AdhesionLevel.h"
#include "vehicle/BrakeCylinder.h"
#include "vehicle/BrakeHold.h"
#include "vehicle/Gradient.h"
#include "vehicle/LineCoupling.h"
#include "vehicle/StartSpeed.h"

// The cleaned model text split right after the word WHLTMP that the sections
// ITER to WHLTMP end with; false when they are not all there.
bool SplitAfterSections(const std::string& cleanedText, std::string& before, std::string& after);

class TLineSections {
 public:
  // Reads every optional section that follows WHLTMP in `cleanedText`.
  bool ReadPar(const std::string& cleanedText, std::ostream& log);
  // Takes over the line data and the linear model's inputs. While GRADIENT
  // is active, `p` and `p1` come back extended by the gravity inputs.
  bool SetPar(const LineCoupling& line, const GravityStep& gravity, SparseMatrix& p,
              SparseMatrix& p1, const std::vector<unsigned>& wheelDofIndices,
              const std::vector<double>& brakeForceRadius, double timeStep, std::ostream& log);
  // Every part to its start for `axles` axles and the initial linear state.
  void Init(std::size_t axles, const std::vector<double>& initialState);

  // The keywords of the sections off their neutral values, in file order of
  // the documentation: "GRADIENT", "ADHLEVEL", "BRKCYL", "BRKHOLD", "WSP", "V0".
  std::vector<std::string> ActiveSections() const;
  bool AnyActive() const { return !ActiveSections().empty(); }
  // Whether the brake goes through the cylinders (and the hold): the
  // cylinders, the hold or the slide protection, which acts on the
  // cylinders, is active.
  bool BrakesActive() const { return BrkCyl.Active() || BrkHold.Active() || slideProtection; }

  TGradient Gradient;
  TAdhesionLevel AdhLevel;
  TBrakeCylinder BrkCyl;
  TBrakeHold BrkHold;
  TStartSpeed StartSpeed;
  bool slideProtection = false;  // WSP 1; not yet available

 private:
  bool ReadSlideProtection(const OptionalSections& sections, std::ostream& log);
};

// The optional sections of `modelText` (a whole model file) that are off
// their neutral values; false, with the reading's log in `error`, when they
// cannot be read. A text without the sections ITER to WHLTMP has none.
bool ActiveOptionalSections(const std::string& modelText, std::vector<std::string>& active,
                            std::string& error);

// "GRADIENT, BRKCYL and V0".
std::string SectionList(const std::vector<std::string>& sections);
