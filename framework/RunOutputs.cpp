// The files of a run besides its result text: the time series, the states,
// the summary and the modes, and the list of what was written.

#include <cerrno>
#include <cmath>

#include "framework/RunContext.h"
#include "framework/RunSize.h"
#include "model/ComponentManager.h"
#include "model/TextPrepass.h"
#include "results/ModesFile.h"
#include "solver/ModalAnalysis.h"

namespace {

// While a wheel rolls, its slip stays inside the slip band, where the adhesion
// force grows with the slip as a damper of capacity / LIM (about 2e5 N s/m on
// the shipped vehicle): it ties the wheel's rotation to its wheelset's
// longitudinal motion far faster (a few ms) than any mode of the suspension
// swings, so the wheel's reduced mass moves with that freedom.
bool ModesText(const VehicleSetUp& setUp, std::string& text, std::string& error) {
  const Matrix& a = setUp.Model().GetMatrix('A');
  const Matrix& mass = setUp.Model().GetMatrix('M');
  const int n = mass.num_rows();
  std::vector<double> masses(static_cast<std::size_t>(n));
  std::vector<double> rolling(masses.size(), 0.0);
  for (int j = 0; j < n; ++j) masses[static_cast<std::size_t>(j)] = mass[j][j];
  const CouplingData& coupling = setUp.Vehicle().Coupling();
  for (std::size_t w = 0; w < coupling.wheelDofIndices.size(); ++w) {
    const std::size_t dof = coupling.wheelDofIndices[w];
    if (dof >= masses.size() || w >= coupling.reducedMasses.size()) continue;
    rolling[dof] += coupling.reducedMasses[w];
  }
  std::vector<double> rollingMasses = masses;
  for (std::size_t j = 0; j < masses.size(); ++j) rollingMasses[j] += rolling[j];
  Matrix rollingSystem;
  std::vector<Mode> linearModes;
  std::vector<Mode> rollingModes;
  if (!FindModes(a, masses, linearModes)) {
    error = "the eigenvalues of the system matrix cannot be worked out";
  } else if (!WithAddedMass(a, mass, rolling, rollingSystem) ||
             !FindModes(rollingSystem, rollingMasses, rollingModes)) {
    error = "the eigenvalues of the system with the wheels' reduced masses cannot be worked out";
  }
  if (!error.empty()) return false;
  const std::vector<std::string> names = StatesLayout(setUp.Model()).freedomNames;
  text = ModesHeader() + ModesRows("linear", linearModes, names) +
         ModesRows("rolling", rollingModes, names);
  return true;
}

}  // namespace

void RunReport::SaveWholeFile(const std::string& fileName, const std::string& text, FileKind kind) {
  int error = 0;
  if (WriteWholeFile(fileName, text, error)) {
    writtenFiles.Add(fileName, kind);
  } else {
    lostResults.CannotSave(fileName, error);
  }
}

void OpenRecording(const RunContext& run, const Kelvra& vehicle, RunRecording& recording,
                   const std::string& base, LostResults& lost) {
  const int axles = vehicle.AxleCount();
  const ModelCreation& model = run.setUp.vehicle.Model();
  const bool writeStates = run.settings.writeStates;
  if (run.settings.resultFormat == ResultFormat::kHdf5) {
    const StateLayout layout = writeStates ? StatesLayout(model) : StateLayout();
    const std::string fileName = Hdf5FileName(base);
    if (!recording.OpenHdf5(fileName, vehicle, writeStates ? &layout : nullptr)) {
      lost.CannotSave(fileName, recording.file.ErrorNumber());
    } else {
      // A failure here fails the file, which its close then says.
      recording.file.WriteAttributes(run.settings.recordAttributes);
    }
  } else {
    const std::string seriesFile = base + ".csv";
    if (!recording.series.Open(seriesFile, vehicle)) lost.CannotOpen(seriesFile);
    if (writeStates) {
      const std::string statesFile = StatesFileName(seriesFile);
      if (!recording.states.Open(statesFile, StatesLayout(model))) lost.CannotOpen(statesFile);
    }
  }
  recording.massShares = MassShares(model);
  recording.recordEvery = run.settings.recordEvery;
  recording.onRealLine = vehicle.LineParts().AnyActive();
  recording.summary.Start(static_cast<std::size_t>(axles), vehicle.Dynamics().AxleRot.Lim(),
                          vehicle.TimeStep());
}

// A run recorded into an HDF5 file has it open; one recorded as CSV files has
// its recorders open instead. The HDF5 file's columns are those of its tables.
void CloseRecording(RunRecording& recording, const std::string& base, const RunSummary* summary,
                    LostResults& lost, WrittenFiles& written) {
  if (recording.file.IsOpen()) {
    const std::string fileName = Hdf5FileName(base);
    const ColumnShape shape = recording.Hdf5Shape(summary != nullptr);
    if (recording.CloseHdf5(summary)) {
      written.Add(fileName, FileKind::Hdf5, shape);
    } else {
      lost.CannotWrite(fileName, recording.file.ErrorNumber());
    }
    return;
  }
  const auto close = [&](auto& recorder, const std::string& fileName, FileKind kind) {
    if (!recorder.IsOpen()) return;
    if (recorder.Close()) {
      written.Add(fileName, kind);
    } else {
      lost.CannotWrite(fileName, recorder.ErrorNumber());
    }
  };
  close(recording.series, base + ".csv", FileKind::TimeSeries);
  close(recording.states, StatesFileName(base + ".csv"), FileKind::States);
}

// Without --modes, a modes file an earlier run left under the same name goes,
// so that none stands beside this run's files as if it were its own.
void WriteModes(const RunContext& run, const std::string& base) {
  if (!run.settings.writeModes) {
    RemoveEarlierFiles(base, {"_modes.csv"});
    return;
  }
  const std::string fileName = ModesFileName(base);
  std::string text;
  std::string error;
  if (ModesText(run.setUp.vehicle, text, error)) {
    run.report.SaveWholeFile(fileName, text, FileKind::Modes);
    return;
  }
  *run.report.warnings << "Warning - " << error << "; " << QuotedExcerpt(fileName)
                       << " is not written.\n";
  run.report.lostResults.Skipped();
}

// The states hold every freedom's velocity, then its displacement; an output
// displacement's deflection is its mapping row applied to the displacements.
StateLayout StatesLayout(const ModelCreation& model) {
  const ComponentManager& components = model.Components();
  StateLayout layout;
  for (const DofEntry& dof : components.Dofs()) {
    layout.freedomNames.push_back(DofName(components.Bodies(), dof));
    layout.freedomAngular.push_back(dof.kind == 'R');
  }
  for (const Outdisp& outdisp : components.Outdisps()) {
    layout.deflectionNames.push_back(outdisp.name);
  }
  const Matrix& mapping = model.GetMatrix('O');
  for (int i = 0; i < mapping.num_rows(); ++i) {
    for (int j = 0; j < mapping.num_cols(); ++j) {
      if (mapping[i][j] == 0.0) continue;
      layout.deflectionTerms.push_back(
          {static_cast<std::size_t>(i), static_cast<std::size_t>(j), mapping[i][j]});
    }
  }
  return layout;
}

// The state holds every freedom's velocity first, in the order of the freedoms.
std::vector<MassShare> MassShares(const ModelCreation& model) {
  const ComponentManager& components = model.Components();
  const std::vector<Body>& bodies = components.Bodies();
  std::vector<MassShare> shares;
  double total = 0.0;
  for (std::size_t j = 0; j < components.Dofs().size(); ++j) {
    const DofEntry& dof = components.Dofs()[j];
    if (dof.kind != 'X' || dof.body < 0 || dof.body >= static_cast<int>(bodies.size())) continue;
    const double mass = bodies[static_cast<std::size_t>(dof.body)].mass;
    if (!(mass > 0.0)) continue;
    shares.push_back({j, mass});
    total += mass;
  }
  if (!std::isfinite(total)) return {};  // the wheelsets' mean speed stands in
  for (MassShare& body : shares) body.share /= total;
  return shares;
}

double StatesBytes(const RunSettings& settings, const ModelCreation& model, double steps) {
  if (!settings.writeStates) return 0.0;
  return StatesOutputBytes(steps, StateRecorder::ColumnNames(StatesLayout(model)).size(),
                           settings.recordEvery);
}

ColumnShape ResultColumnShape(const ComponentManager& components) {
  ColumnShape shape;
  shape.axles = static_cast<int>(components.Wheels().size());
  for (const DofEntry& dof : components.Dofs()) {
    shape.freedoms.push_back({DofName(components.Bodies(), dof), dof.kind == 'R'});
  }
  for (const Outdisp& outdisp : components.Outdisps()) shape.deflections.push_back(outdisp.name);
  return shape;
}
