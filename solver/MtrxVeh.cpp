#include "solver/MtrxVeh.h"

#include <algorithm>

bool TMtrxVeh::SetPar(const SparseMatrix& c, const SparseMatrix& p,
                      const std::vector<double>& initialState, std::ostream& log, double timeStep,
                      const SparseMatrix& p1) {
  C.Assign(c);
  P.Assign(p);
  P1.Assign(p1);
  x0 = initialState;
  dt = timeStep;
  freeAndConstantValid = false;
  if (C.Rows() != P.Rows() || C.Rows() != C.Cols() || x0.size() != C.Rows()) {
    log << "\nWrong sizes in TMtrxVeh::ReadPar()\n";
    return false;
  }
  log << "\nTMtrxVeh::SetPar() successfully finished.\n";
  return true;
}

void TMtrxVeh::Init() {
  next.assign(x0.begin(), x0.end());
  current.assign(x0.begin(), x0.end());
  product.resize(std::max(P.Rows(), P1.Rows()));
  inputRate.resize(P.Cols());
  freeAndConstant.resize(C.Rows());
  freeAndConstantInput.resize(P.Cols());
  freeAndConstantValid = false;
  stepped = false;
}

void TMtrxVeh::Restore(const std::vector<double>& state) {
  next.assign(state.begin(), state.end());
  current.assign(state.begin(), state.end());
  freeAndConstantValid = false;
  stepped = false;
}

// next = C current + P u0 + P1 (u1 - u0) / dt, each product added over the rows
// the two vectors share. Repeated steps with the same u0 reuse C current + P u0.
// Where a product fails, next holds the terms before it.
bool TMtrxVeh::DoStep(const std::vector<double>& u0, const std::vector<double>& u1) {
  stepped = true;
  if (!freeAndConstantValid || u0 != freeAndConstantInput) {
    freeAndConstantValid = false;
    if (!C.Multiply(current, freeAndConstant)) return false;
    if (!P.Multiply(u0, product)) {
      next.assign(freeAndConstant.begin(), freeAndConstant.end());
      return false;
    }
    const std::size_t constantRows = std::min(freeAndConstant.size(), product.size());
    for (std::size_t i = 0; i < constantRows; ++i) freeAndConstant[i] += product[i];
    freeAndConstantInput.assign(u0.begin(), u0.end());
    freeAndConstantValid = true;
  }

  if (inputRate.size() != u0.size()) inputRate.resize(u0.size());
  if (u1.size() == u0.size()) {
    for (std::size_t i = 0; i < u0.size(); ++i) inputRate[i] = (u1[i] - u0[i]) / dt;
  }
  if (u1.size() != u0.size() || !P1.Multiply(inputRate, product)) {
    next.assign(freeAndConstant.begin(), freeAndConstant.end());
    return false;
  }
  if (next.size() != freeAndConstant.size()) next.resize(freeAndConstant.size());
  const std::size_t rampRows = std::min(next.size(), product.size());
  for (std::size_t i = 0; i < rampRows; ++i) next[i] = freeAndConstant[i] + product[i];
  for (std::size_t i = rampRows; i < next.size(); ++i) next[i] = freeAndConstant[i];
  return true;
}

bool TMtrxVeh::Finalize() {
  if (!stepped) return false;
  current.assign(next.begin(), next.end());
  freeAndConstantValid = false;
  stepped = false;
  return true;
}

bool TMtrxVehOut::SetPar(const SparseMatrix& n, const std::vector<double>& staticAxleLoads,
                         const std::vector<unsigned>& speedIndices,
                         const std::vector<unsigned>& positionIndices, std::ostream& log) {
  N.Assign(n);
  staticAxleLoad = staticAxleLoads;
  idxA = speedIndices;
  idxB = positionIndices;
  const std::size_t axles = staticAxleLoad.size();
  bool sizesFit = idxA.size() == axles && idxB.size() == axles;
  if (sizesFit && axles != 0) {
    const unsigned largest = std::max(*std::max_element(idxA.begin(), idxA.end()),
                                      *std::max_element(idxB.begin(), idxB.end()));
    // Compute adds the static loads to the first rows of N x: every axle needs a row.
    sizesFit = largest < N.Cols() && axles <= N.Rows();
  }
  parametersFit = sizesFit;
  if (!sizesFit) {
    log << "\nWrong sizes in TMtrxVehOut::ReadPar()\n";
    return false;
  }
  log << "\nTMtrxVehOut::SetPar() successfully finished.\n";
  return true;
}

void TMtrxVehOut::Init() {
  const std::size_t axles = staticAxleLoad.size();
  for (std::vector<double>* output : {&normalForce, &vehicleSpeed, &position, &normalForceCommitted,
                                      &vehicleSpeedCommitted, &positionCommitted}) {
    output->assign(axles, 0.0);
  }
  computed = false;
}

void TMtrxVehOut::Restore(const std::vector<double>& vehicleSpeedValues,
                          const std::vector<double>& normalForceValues,
                          const std::vector<double>& positionValues) {
  vehicleSpeed = vehicleSpeedCommitted = vehicleSpeedValues;
  normalForce = normalForceCommitted = normalForceValues;
  position = positionCommitted = positionValues;
  computed = false;
}

bool TMtrxVehOut::Compute(const std::vector<double>& x) {
  if (!parametersFit || x.size() < N.Cols()) return false;
  if (N.Multiply(x, normalForce)) {
    for (std::size_t i = 0; i < staticAxleLoad.size(); ++i) normalForce[i] += staticAxleLoad[i];
  }
  if (vehicleSpeed.size() != idxA.size()) vehicleSpeed.resize(idxA.size());
  if (position.size() != idxB.size()) position.resize(idxB.size());
  for (std::size_t i = 0; i < idxA.size(); ++i) {
    vehicleSpeed[i] = x[idxA[i]];
    position[i] = x[idxB[i]];
  }
  computed = true;
  return true;
}

bool TMtrxVehOut::Finalize() {
  if (!computed) return false;
  normalForceCommitted.assign(normalForce.begin(), normalForce.end());
  vehicleSpeedCommitted.assign(vehicleSpeed.begin(), vehicleSpeed.end());
  positionCommitted.assign(position.begin(), position.end());
  computed = false;
  return true;
}
