#pragma once

// The shipped vehicle (data/combined_train17_GEN.in) set up the way the program
// sets it up: the model chain, the step matrices for a chosen time step, the
// vehicle side's compressed copies and, on request, a created `Kelvra`.
//
// Header-only, so that solver tests can use the linear half without linking
// the vehicle system: `CreateKelvra` is only compiled where it is called.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "linalg/Matrix.h"
#include "model/ModelCreation.h"
#include "model/TextPrepass.h"
#include "solver/SimulationModule.h"
#include "solver/SparseMatrix.h"
#include "vehicle/Kelvra.h"

namespace testing_support {

inline std::filesystem::path ShippedModelFile(const std::filesystem::path& dataDir) {
  return dataDir / "combined_train17_GEN.in";
}

class ShippedVehicle {
 public:
  // Parses the model file, builds A and F and the coupling data, prepares C, P
  // and P1 for `timeStep` and compresses them for the vehicle side. False, with
  // the reason in Failure(), at the first step that fails.
  bool Build(const std::filesystem::path& file, double timeStep) {
    modelFile = file;
    dt = timeStep;
    if (!model.CreateComponents(file.string()) || !model.CalculateBasicMatrices()) {
      return Fail("model creation failed:\n" + model.GetLogText('C') + model.GetLogText('B') +
                  model.GetLogText('A'));
    }
    Vector loads, masses, radii;
    std::vector<int> dofIndices, stateIndices;
    Matrix normal;
    if (!model.GenerateNormalForceMatrix(normal) || !model.GenerateStaticAxleLoadVector(loads) ||
        !model.GenerateReducedMassVector(masses) ||
        !model.GenerateWheelIndices(dofIndices, stateIndices) ||
        !model.GenerateBrakeForceRadii(radii)) {
      return Fail("coupling data failed:\n" + model.GetLogText('M'));
    }
    if (!ReadInitialState(file, initialState)) return Fail("no Y0 item in " + file.string());
    if (!simulation.PrepareFundamentalMatrices(model.GetMatrix('A'), model.GetMatrix('F'), dt)) {
      return Fail("preparation failed:\n" + simulation.GetLogText());
    }
    Compress(simulation.GetMatrix('C'), c);
    Compress(simulation.GetMatrix('P'), p);
    Compress(simulation.GetMatrix('Z'), p1);
    Compress(normal, n);
    staticAxleLoads = ToStdVector(loads);
    reducedMasses = ToStdVector(masses);
    brakeForceRadii = ToStdVector(radii);
    wheelDofIndices.assign(dofIndices.begin(), dofIndices.end());
    wheelStateIndices.assign(stateIndices.begin(), stateIndices.end());
    return true;
  }

  // Reads the vehicle-system sections of the model file and initialises.
  bool CreateKelvra(Kelvra& kelvra, std::ostream& log) const {
    return kelvra.Create(modelFile.string(), c, p, p1, initialState, n, staticAxleLoads,
                         wheelDofIndices, wheelStateIndices, reducedMasses, brakeForceRadii, log,
                         dt);
  }

  // As above, then the integrator settings of a batch parameter set.
  bool CreateKelvra(Kelvra& kelvra, int iter, int subdiv, std::ostream& log) const {
    if (!CreateKelvra(kelvra, log)) return false;
    const double lim = kelvra.Dynamics().AxleRot.Lim();
    return kelvra.ChangeAxleIntegratorPar(subdiv, iter, lim, dt, log) && kelvra.Init(log);
  }

  const std::string& Failure() const { return failure; }
  double TimeStep() const { return dt; }

  ModelCreation model;
  SimulationModule simulation;
  // The vehicle side's copies, as the framework hands them to `Kelvra::Create`.
  SparseMatrix c, p, p1, n;
  std::vector<double> initialState;
  std::vector<double> staticAxleLoads;
  std::vector<double> reducedMasses;
  std::vector<double> brakeForceRadii;
  std::vector<unsigned> wheelDofIndices;
  std::vector<unsigned> wheelStateIndices;

 private:
  bool Fail(const std::string& reason) {
    failure = reason;
    return false;
  }

  static std::vector<double> ToStdVector(const Vector& v) {
    return std::vector<double>(&v[0], &v[0] + v.dim());
  }

  static void Compress(const Matrix& dense, SparseMatrix& sparse) {
    sparse.FromRowMajor(static_cast<std::uint32_t>(dense.num_rows()), RowMajor(dense));
  }

  // "Y0", the state count, then the state.
  static bool ReadInitialState(const std::filesystem::path& file, std::vector<double>& state) {
    std::ifstream in(file);
    std::stringstream text;
    StripCommentsKeepBlank(in, text);
    std::size_t count = 0;
    FindKeyword(text, "Y0") >> count;
    state.assign(count, 0.0);
    for (double& value : state) text >> value;
    return static_cast<bool>(text) && count > 0;
  }

  std::filesystem::path modelFile;
  double dt = 0.0;
  std::string failure;
};

}  // namespace testing_support
