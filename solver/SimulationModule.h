#pragma once

#include <complex>
#include <string>

#include "linalg/DeferredLog.h"
#include "linalg/Matrix.h"
#include "solver/ExponentialStep.h"

// Discretises the linear model x' = A x + F u exactly for a fixed time step dt.
// In modal coordinates, A = T D T^-1 with D real block-diagonal, every 1 x 1 or
// 2 x 2 block integrates in closed form; transformed back, one step with the
// inputs varying linearly from u(k) to u(k+1) is
//   x(k+1) = C x(k) + P u(k) + P1 (u(k+1) - u(k)) / dt.
// Every preparation also computes C, P and P1 from the exponential of the
// augmented system (ExponentialStep.h) and compares; where the modal path gives
// no exact matrices (a badly conditioned T without a Jordan form, a singular
// T, non-finite blocks) or differs from the exponential, the exponential's
// matrices are used instead, once the same exponential in extended precision
// confirms them.
class SimulationModule {
 public:
  // Builds every matrix below for A (n x n), F (n x m) and dt and appends a
  // complete section to the log. False when the dimensions do not match, A is
  // not usable, dt is not positive, or neither the modal path nor the
  // exponential gives exact step matrices (within 1e-9 of their largest
  // element).
  bool PrepareFundamentalMatrices(const Matrix& a, const Matrix& f, double dt);

  // 'B', 'C', 'D', 'I', 'P', 'Q', 'R', 'S', 'T', 'Z' as listed with the members;
  // any other letter gives one shared empty matrix.
  const Matrix& GetMatrix(char letter) const;

  // The whole log so far, written out on each call.
  std::string GetLogText() const { return log.Text(); }

  // Whether the last preparation ended with usable C, P and P1.
  bool Prepared() const { return prepared; }

 private:
  // The system matrix and the final transformation as the log keeps them.
  struct Kept {
    DeferredLog::Snapshot a;
    DeferredLog::Snapshot t;
    DeferredLog::Snapshot tInverse;
  };

  bool Diagonalize(const Kept& kept);
  double ReportConditionOfT();
  bool UseJordanForm(const Kept& kept);
  bool InvertTransformation(Kept& kept, const Matrix& f, bool inverseKnown);
  void IntegrateModes(bool jordan);
  void IntegrateRealMode(int i, double lambda);
  void IntegrateComplexMode(int i, double sigma, double frequency);
  void IntegrateJordanBlock(int i);
  void SetBlock(int i, std::complex<double> fundamental, std::complex<double> integral,
                std::complex<double> rampIntegral);
  bool BuildStepMatrices(const Kept& kept, const StepMatrices* reference);
  void CheckAgainstExponential(const Kept& kept, const StepMatrices* reference);
  bool AgreesWithExponential(const StepMatrices& reference);
  bool ExponentialIsExact(const Matrix& a, const Matrix& f);
  void UseExponential(const StepMatrices& reference, const char* reason);
  void ClearModalMatrices();

  DeferredLog log;
  Matrix d;         // 'D': sorted block-diagonal eigenvalues (or Jordan form)
  Matrix t;         // 'T': modal transformation, normalised eigenvectors (or Jordan chain)
  Matrix tInverse;  // 'I': T^-1
  Matrix q;         // 'Q': T^-1 F, the inputs in modal coordinates
  Matrix b;         // 'B': e^(D dt)
  Matrix omega;     // integral over the step of e^(D (dt - s)) ds
  Matrix omega1;    // integral over the step of e^(D (dt - s)) s ds
  Matrix r0;        // 'R': Omega Q
  Matrix r1;        // 'S': Omega1 Q
  Matrix c;         // 'C': T B T^-1 = e^(A dt)
  Matrix p;         // 'P': T R0
  Matrix p1;        // 'Z': T R1
  double dt = 0.0;  // seconds
  bool prepared = false;
};
