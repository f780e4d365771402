#include "solver/SimulationModule.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <utility>

#include "linalg/EigenDecomposition.h"

namespace {

// Off-diagonal magnitude of D from which two rows form a complex block.
constexpr double kComplexBlock = 1e-10;
// Real eigenvalue magnitude below which a mode counts as a free motion.
constexpr double kZeroEigenvalue = 1e-10;
// Condition number of T above which the eigenvectors are not trusted.
constexpr double kWellConditioned = 1000.0;
// Largest difference, relative to the largest element, at which the modal
// step matrices still count as the exact step.
constexpr double kExactStep = 1e-9;
// |lambda dt| below which the step integrals are summed as series: their
// closed forms divide by lambda^2 and cancel there.
constexpr double kSmallStep = 0.5;
// Terms of that series; the next one is below 0.5^20 / 22! relative.
constexpr int kSmallStepTerms = 20;

// The step integrals of a mode lambda in units of dt, with z = lambda dt:
//   phi1(z) = (e^z - 1) / z        = sum z^k / (k+1)!
//   phi2(z) = (e^z - 1 - z) / z^2  = sum z^k / (k+2)!
// so that Omega = dt phi1 and Omega1 = dt^2 phi2.
template <typename Number>
void StepIntegralSeries(Number z, Number& phi1, Number& phi2) {
  Number power = 1.0;
  double factorial1 = 1.0;
  double factorial2 = 2.0;
  phi1 = 0.0;
  phi2 = 0.0;
  for (int k = 0; k < kSmallStepTerms; ++k) {
    phi1 += power / factorial1;
    phi2 += power / factorial2;
    power *= z;
    factorial1 *= k + 2;
    factorial2 *= k + 3;
  }
}

}  // namespace

const Matrix& SimulationModule::GetMatrix(char letter) const {
  static const Matrix empty;
  switch (letter) {
    case 'B':
      return b;
    case 'C':
      return c;
    case 'D':
      return d;
    case 'I':
      return tInverse;
    case 'P':
      return p;
    case 'Q':
      return q;
    case 'R':
      return r0;
    case 'S':
      return r1;
    case 'T':
      return t;
    case 'Z':
      return p1;
    default:
      return empty;
  }
}

bool SimulationModule::PrepareFundamentalMatrices(const Matrix& a, const Matrix& f,
                                                  double timeStep) {
  prepared = false;
  log << "***** Simulation Module Log *****\n";
  if (a.num_rows() != a.num_cols() || f.num_rows() != a.num_rows()) {
    log << "Error - Unable to prepare simulation! Dimensions of 'A' and 'F' are not matching!\n";
    return false;
  }
  Kept kept{DeferredLog::Keep(a), nullptr, nullptr};
  if (!Diagonalize(kept)) return false;

  const bool jordan = ReportConditionOfT() > kWellConditioned;
  bool transformationUsable = true;
  if (jordan) {
    transformationUsable = UseJordanForm(kept);
  } else {
    log << "\n-> Eigenvector matrix is well conditioned -> Using eigensystem for transformation\n";
  }
  const bool invertible = InvertTransformation(kept, f, jordan && transformationUsable);
  if (!(timeStep > 0.0)) {
    log << "Error - Negative or zero time step!\n";
    return false;
  }

  dt = timeStep;
  StepMatrices reference;
  const bool referenceBuilt = StepMatricesByExponential(a, f, dt, reference);
  bool finite = false;
  if (invertible) {
    IntegrateModes(jordan);
    finite = BuildStepMatrices(kept, referenceBuilt ? &reference : nullptr);
  }
  bool useModal = transformationUsable && finite;
  const char* reason = "No exact step matrices from the transformation";
  if (finite && referenceBuilt && !AgreesWithExponential(reference)) {
    if (useModal) reason = "Step matrices of the transformation are inexact";
    useModal = false;
  }
  if (!useModal) {
    if (!referenceBuilt) {
      log << "Error - Unable to prepare simulation! Neither the transformation nor the augmented "
             "matrix exponential gives exact step matrices!\n";
      return false;
    }
    UseExponential(reference, reason);
    if (!ExponentialIsExact(a, f)) return false;
  }
  prepared = true;
  return true;
}

// A T = T D, blocks sorted by real part, T scaled to a largest element of 1.
// The diagnostics of A are computed only when the log is read.
bool SimulationModule::Diagonalize(const Kept& kept) {
  if (!EigenDecompose(*kept.a, d, t)) {
    log << "Error - Unable to prepare simulation! System matrix 'A' is empty, not finite, or "
           "its largest element lies outside 1e-150 to 1e150!\n";
    return false;
  }
  log << "\n|Total absolute error of eigensystem calculation. (smaller value better, 0 = best)\n";
  log.Defer([a = kept.a, unsortedT = DeferredLog::Keep(t),
             unsortedD = DeferredLog::Keep(d)](std::ostream& out) {
    out << SumOfAbsolutes(Multiply(*a, *unsortedT) - Multiply(*unsortedT, *unsortedD));
  });
  log << "\n\n-> Rank of A \n";
  log.Defer([a = kept.a](std::ostream& out) {
    const RankAndCondition system = RankAndConditionOf(*a);
    out << system.rank << "\n\n-> Condition number of A \n" << system.condition;
  });
  log << "\n";

  SortEigenBlocks(d, t);
  log << "\n|Block-diagonal eigenvalue matrix of system matrix: D\n";
  log.Print(DeferredLog::Keep(d));
  log << "\n|Eigenvectors of system matrix: T\n";
  log.Print(DeferredLog::Keep(t));

  t = NormalizedByMaxAbsolute(t);
  log << "\n|Normalized T: \n";
  log.Print(DeferredLog::Keep(t));
  return true;
}

double SimulationModule::ReportConditionOfT() {
  const RankAndCondition transformation = RankAndConditionOf(t);
  log << "\n-> Rank of T \n" << transformation.rank;
  log << "\n\n-> Condition number of T \n" << transformation.condition << "\n";
  return transformation.condition;
}

// A free rigid-body motion leaves two nearly parallel eigenvectors for its
// double zero eigenvalue; a Jordan chain replaces them. On success T^-1 is
// already known.
bool SimulationModule::UseJordanForm(const Kept& kept) {
  bool usable = false;
  if (JordanApplicable(d, t, *kept.a)) {
    Matrix j;
    Matrix s;
    const bool chainFound = JordanChain(d, *kept.a, t, j, s);
    Matrix sInverse = Inverse(s);
    log.Defer([a = kept.a, j = DeferredLog::Keep(j), s = DeferredLog::Keep(s),
               sInverse = DeferredLog::Keep(sInverse), chainFound](std::ostream& out) {
      ReportJordan(out, *a, *j, *s, *sInverse, chainFound);
    });
    usable = chainFound && sInverse.num_rows() > 0;
    if (usable) {
      t = s;
      d = j;
      tInverse = sInverse;
    }
  }
  if (usable) {
    log << "\n-> Eigenvector matrix is badly conditioned -> Using Jordan decomposition for "
           "transformation\n";
  } else {
    log << "\n-> ERROR: Eigenvector matrix is badly conditioned -> Cannot create Jordan "
           "decomposition for transformation\n";
  }
  return usable;
}

// False, leaving no modal matrices, when T is singular.
bool SimulationModule::InvertTransformation(Kept& kept, const Matrix& f, bool inverseKnown) {
  if (!inverseKnown) tInverse = Inverse(t);
  kept.t = DeferredLog::Keep(t);
  kept.tInverse = DeferredLog::Keep(tInverse);
  log << "\n|Inverse of modal transformation matrix inv(T)\n";
  log.Print(kept.tInverse);
  if (tInverse.num_rows() == 0) {
    log << "Warning - Modal transformation matrix 'T' is singular!\n";
    ClearModalMatrices();
    return false;
  }
  log << "\n|Total error of decomposition (A - T*D*invT ?= 0)\n";
  log.Defer([a = kept.a, t = kept.t, d = DeferredLog::Keep(d),
             tInverse = kept.tInverse](std::ostream& out) {
    out << SumOfAbsolutes(*a - Multiply(Multiply(*t, *d), *tInverse));
  });
  log << "\n";

  q = Multiply(tInverse, f);
  log << "\n|Modal-transformed external force mapping matrix Q\n";
  log.Print(DeferredLog::Keep(q));
  return true;
}

void SimulationModule::ClearModalMatrices() {
  for (Matrix* modal : {&q, &b, &omega, &omega1, &r0, &r1}) *modal = Matrix();
}

// Walks the diagonal of D: a pair of rows with an off-diagonal element is a
// complex block, any other row a real mode. With the Jordan form the last
// block is the chain of the free motion, whatever the walk found there.
void SimulationModule::IntegrateModes(bool jordan) {
  const int n = d.num_rows();
  b = Matrix(n, n, 0.0);
  omega = Matrix(n, n, 0.0);
  omega1 = Matrix(n, n, 0.0);
  for (int i = 0; i < n;) {
    if (i < n - 1 && std::fabs(d[i][i + 1]) >= kComplexBlock) {
      IntegrateComplexMode(i, d[i][i], d[i][i + 1]);
      i += 2;
    } else {
      IntegrateRealMode(i, d[i][i]);
      i += 1;
    }
  }
  if (jordan) IntegrateJordanBlock(n - 2);
}

// x' = lambda x + u: B = e^(lambda dt), Omega = (e^(lambda dt) - 1) / lambda,
// Omega1 = (e^(lambda dt) - 1 - lambda dt) / lambda^2.
void SimulationModule::IntegrateRealMode(int i, double lambda) {
  const double x = lambda * dt;
  const double g = std::exp(x);
  b[i][i] = g;
  if (std::fabs(lambda) < kZeroEigenvalue) {
    omega[i][i] = dt;
    omega1[i][i] = dt * dt / 2.0;
  } else if (std::fabs(x) < kSmallStep) {
    double phi1 = 0.0;
    double phi2 = 0.0;
    StepIntegralSeries(x, phi1, phi2);
    omega[i][i] = dt * phi1;
    omega1[i][i] = dt * dt * phi2;
  } else {
    omega[i][i] = (g - 1.0) / lambda;
    omega1[i][i] = (g - 1.0 - x) / (lambda * lambda);
  }
}

// A block [[s, w], [-w, s]] multiplies like the complex number s + i w, so
// e^(D dt) is e^(s dt) (cos w dt + i sin w dt). With h = e^(-s dt),
// X = integral of e^(-D s) ds and Y = integral of e^(-D s) s ds over the step,
// Omega = B X and Omega1 = B Y.
void SimulationModule::IntegrateComplexMode(int i, double sigma, double frequency) {
  if (sigma > 0.0) log << "Warning - Current system is unstable!\n";
  if (frequency < 0.0)
    log << "Warning - Negative imaginary part in D, where positive is expected!\n";

  const std::complex<double> z(sigma * dt, frequency * dt);
  if (std::abs(z) < kSmallStep) {
    std::complex<double> phi1;
    std::complex<double> phi2;
    StepIntegralSeries(z, phi1, phi2);
    SetBlock(i, std::exp(z), dt * phi1, dt * dt * phi2);
    return;
  }
  const double g = std::exp(sigma * dt);
  const double cs = std::cos(frequency * dt);
  const double sn = std::sin(frequency * dt);
  const double h = 1.0 / g;
  const double s2 = sigma * sigma;
  const double w2 = frequency * frequency;
  const double q2 = s2 + w2;
  const std::complex<double> fundamental(g * cs, g * sn);
  const std::complex<double> x((sigma + h * (frequency * sn - sigma * cs)) / q2,
                               (h * (sigma * sn + frequency * cs) - frequency) / q2);
  const double growth = 2.0 * sigma + dt * q2;
  const double shift = dt * sigma * q2 + s2 - w2;
  const std::complex<double> y(
      h * ((s2 - w2) * g + growth * frequency * sn - shift * cs) / (q2 * q2),
      h * (shift * sn + growth * frequency * cs - 2.0 * sigma * frequency * g) / (q2 * q2));
  SetBlock(i, fundamental, fundamental * x, fundamental * y);
}

// [[0, 1], [0, 0]]: B = I + J dt, Omega = I dt + J dt^2/2, Omega1 = I dt^2/2 + J dt^3/6.
void SimulationModule::IntegrateJordanBlock(int i) {
  const double dt2 = dt * dt / 2.0;
  b[i][i] = 1.0;
  b[i][i + 1] = dt;
  b[i + 1][i] = 0.0;
  b[i + 1][i + 1] = 1.0;
  omega[i][i] = dt;
  omega[i][i + 1] = dt2;
  omega[i + 1][i] = 0.0;
  omega[i + 1][i + 1] = dt;
  omega1[i][i] = dt2;
  omega1[i][i + 1] = dt * dt * dt / 6.0;
  omega1[i + 1][i] = 0.0;
  omega1[i + 1][i + 1] = dt2;
}

// Writes u + i v as the block [[u, v], [-v, u]] of B, Omega and Omega1.
void SimulationModule::SetBlock(int i, std::complex<double> fundamental,
                                std::complex<double> integral, std::complex<double> rampIntegral) {
  const auto set = [i](Matrix& m, std::complex<double> value) {
    m[i][i] = value.real();
    m[i][i + 1] = value.imag();
    m[i + 1][i] = -value.imag();
    m[i + 1][i + 1] = value.real();
  };
  set(b, fundamental);
  set(omega, integral);
  set(omega1, rampIntegral);
}

// False, after saying so, when C, P or P1 holds a non-finite element.
bool SimulationModule::BuildStepMatrices(const Kept& kept, const StepMatrices* reference) {
  r0 = Multiply(omega, q);
  r1 = Multiply(omega1, q);
  log << "\n|Omega block-integral matrix\n";
  log.Print(DeferredLog::Keep(omega));
  log << "\n|Special Fundamental matrix B for modal transformed system\n";
  log.Print(DeferredLog::Keep(b));
  log << "\n|Step matrix for in-timestep constant external forces R0\n";
  log.Print(DeferredLog::Keep(r0));
  log << "\n|Step matrix for in-timestep time*const external forces: R1\n";
  log.Print(DeferredLog::Keep(r1));

  c = Multiply(t, Multiply(b, tInverse));
  log << "\n|Fundamental matrix C=T*B*inv(T) for 1st order ODE system\n";
  log.Print(DeferredLog::Keep(c));
  CheckAgainstExponential(kept, reference);

  p = Multiply(t, r0);
  log << "\n|External force step matrix P=T*R for 1st order ODE system\n";
  log.Print(DeferredLog::Keep(p));
  p1 = Multiply(t, r1);
  log << "\n|External force step matrix P1=T*R1 for 1st order ODE system\n";
  log.Print(DeferredLog::Keep(p1));
  if (AllFinite(c) && AllFinite(p) && AllFinite(p1)) return true;
  log << "Warning - Fundamental matrix 'C' or step matrices 'P', 'P1' hold non-finite elements!\n";
  return false;
}

// Diagnostic: C against the accurate e^(A dt), the first block of the
// augmented exponential.
void SimulationModule::CheckAgainstExponential(const Kept& kept, const StepMatrices* reference) {
  log << "\n|Fundamental matrix C=e^(A*dt) for 1st order ODE system\n";
  if (reference == nullptr) {
    log << "Warning - The augmented matrix exponential is not finite, C is not checked!\n";
    return;
  }
  const DeferredLog::Snapshot exponential = DeferredLog::Keep(reference->c);
  log.Print(exponential);
  log << "\n|Total absolute error of Fundamental matrix (C) calculation. (smaller value better, 0 "
         "= best)\n"
      << SumOfAbsolutes(c - reference->c) << "\n";
  log << "\n|Special Fundamental matrix B=inv(T)*C*T for modal transformed system\n";
  log.Defer([tInverse = kept.tInverse, exponential, t = kept.t](std::ostream& out) {
    Print(out, Multiply(Multiply(*tInverse, *exponential), *t));
  });
}

// Largest |difference| of C, P and P1 to the exponential's, each relative to
// the largest element of the exponential's matrix (absolute where that is 0).
bool SimulationModule::AgreesWithExponential(const StepMatrices& reference) {
  const double largest = LargestRelativeDifference(c, p, p1, reference);
  log << "\n-> Largest relative difference of C, P and P1 to the augmented matrix exponential: "
      << largest << "\n";
  return largest <= kExactStep;
}

// With no second method to agree with, the exponential's matrices are checked
// against the same exponential in extended precision. A system so stiff over
// DT that double precision cannot resolve it (a body of 1e-10 kg on its
// springs, stiffnesses of 1e20) loses digits in proportion to ||A DT||: its
// matrices then move the vehicle wrongly (a coasting vehicle slows down), and
// they are refused rather than used.
bool SimulationModule::ExponentialIsExact(const Matrix& a, const Matrix& f) {
  StepMatrices extended;
  if (!StepMatricesByExtendedExponential(a, f, dt, extended)) {
    log << "Error - Unable to prepare simulation! The augmented matrix exponential cannot be "
           "checked in extended precision!\n";
    return false;
  }
  const double difference = LargestRelativeDifference(c, p, p1, extended);
  log << "\n-> Largest relative difference of C, P and P1 to the augmented matrix exponential "
         "in extended precision: "
      << difference << "\n";
  if (difference <= kExactStep) return true;
  std::ostringstream text;
  text << "Error - Unable to prepare simulation! The step matrices C, P and P1 of the augmented "
          "matrix exponential differ from the same exponential in extended precision by "
       << difference << " of their largest element, more than " << kExactStep
       << ": the model is too stiff for its time step to be stepped exactly in double "
          "precision!\n";
  log << text.str();
  return false;
}

void SimulationModule::UseExponential(const StepMatrices& reference, const char* reason) {
  c = reference.c;
  p = reference.p;
  p1 = reference.p1;
  log << "\n-> " << reason << " -> Using augmented matrix exponential for C, P and P1\n";
  log << "\n|Fundamental matrix C from the augmented matrix exponential\n";
  log.Print(DeferredLog::Keep(c));
  log << "\n|External force step matrix P from the augmented matrix exponential\n";
  log.Print(DeferredLog::Keep(p));
  log << "\n|External force step matrix P1 from the augmented matrix exponential\n";
  log.Print(DeferredLog::Keep(p1));
}
