#include "results/ColumnCatalogue.h"

#include <utility>

#include "results/Hdf5File.h"

namespace {

// The validator models the shipped four-axle vehicle, whatever the run's model.
constexpr int kValidatorAxles = 4;

const char* const kUnitless = "1";
const char* const kWords = "-";

using Columns = std::vector<Column>;

// Each of `perAxle` for axle 1, then each for axle 2, and so on.
void AddPerAxle(Columns& columns, const Columns& perAxle, int axles) {
  for (int i = 1; i <= axles; ++i) {
    for (const Column& column : perAxle) {
      columns.push_back({column.name + "_" + std::to_string(i), column.unit});
    }
  }
}

// The vehicle's speed and forces per axle, at a row of a time series; the
// cylinders' forces, where they act, after every axle's other columns, and the
// slide protection's valves, where it acts, last.
Columns TimeSeries(const ColumnShape& shape) {
  const int axles = shape.axles;
  Columns columns = {{"time", "s"}, {"traction", "N"}};
  AddPerAxle(columns,
             {{"brake", "N"},
              {"vehicle_speed", "m/s"},
              {"wheel_speed", "m/s"},
              {"slip", "m/s"},
              {"adhesion_force", "N"},
              {"normal_force", "N"},
              {"brake_force", "N"},
              {"position", "m"}},
             axles);
  if (shape.brakeCylinders) AddPerAxle(columns, {{"cylinder_force", "N"}}, axles);
  if (shape.slideProtection) AddPerAxle(columns, {{"wsp_valve", kUnitless}}, axles);
  return columns;
}

Columns States(const ColumnShape& shape) {
  Columns columns = {{"time", "s"}};
  for (const FreedomColumn& dof : shape.freedoms) {
    columns.push_back({dof.name, dof.angular ? "rad" : "m"});
  }
  for (const FreedomColumn& dof : shape.freedoms) {
    columns.push_back({dof.name + "_velo", dof.angular ? "rad/s" : "m/s"});
  }
  for (const std::string& name : shape.deflections) columns.push_back({name, "m"});
  return columns;
}

// A run's figures, after the leading columns of a batch or study summary.
Columns Figures(Columns columns, const ColumnShape& shape) {
  const Columns figures = {{"peak_speed", "m/s"},         {"peak_acceleration", "m/s2"},
                           {"peak_deceleration", "m/s2"}, {"brake_time", "s"},
                           {"stopping_time", "s"},        {"stopping_distance", "m"},
                           {"sliding_time", "s"}};
  columns.insert(columns.end(), figures.begin(), figures.end());
  AddPerAxle(columns, {{"largest_slip", "m/s"}}, shape.axles);
  if (shape.adhesionUsed) columns.push_back({"adhesion_used", kUnitless});
  if (shape.slideProtection) AddPerAxle(columns, {{"wsp_release", "s"}}, shape.axles);
  return columns;
}

// A run's settings as its result text and the timing lines name them.
Columns Settings() {
  return {{"DT", "s"}, {"ITER", kUnitless}, {"SUBD", kUnitless}, {"SGNT", "m/s"}};
}

Columns WithTime(Columns columns) {
  columns.push_back({"TIME", "s"});
  return columns;
}

Columns WithLabel(Columns columns) {
  columns.push_back({"mode", kWords});
  return columns;
}

Columns StudySummary(const ColumnShape& shape) {
  Columns leading = {{"case", kUnitless}};
  for (const std::string& path : shape.studyParameters) {
    leading.push_back({path, ParameterUnit(path)});
  }
  return Figures(std::move(leading), shape);
}

Columns ValidatorForces() {
  Columns columns;
  for (const char* force : {"A", "R"}) {
    for (int i = 1; i <= kValidatorAxles; ++i) {
      columns.push_back({force + std::to_string(i), "N"});
    }
  }
  return columns;
}

Columns ValidatorStates() {
  Columns columns = {{"time", "s"}};
  AddPerAxle(columns,
             {{"vehicle_speed", "m/s"},
              {"wheel_speed", "m/s"},
              {"slip", "m/s"},
              {"adhesion_force", "N"},
              {"normal_force", "N"}},
             kValidatorAxles);
  return columns;
}

// Each column of `table` as the dataset "<group>/<column>" of an HDF5 file.
void AddTable(Columns& columns, const char* group, const Columns& table) {
  for (const Column& column : table) {
    columns.push_back({std::string(group) + "/" + Hdf5DatasetName(column.name), column.unit});
  }
}

Columns Hdf5Tables(const ColumnShape& shape) {
  Columns columns;
  AddTable(columns, "series", TimeSeries(shape));
  if (shape.withStates) AddTable(columns, "states", States(shape));
  if (shape.withSummary) AddTable(columns, "summary", Figures({}, shape));
  return columns;
}

}  // namespace

std::vector<Column> FileColumns(FileKind kind, const ColumnShape& shape) {
  switch (kind) {
    case FileKind::TimeSeries:
      return TimeSeries(shape);
    case FileKind::States:
      return States(shape);
    case FileKind::Summary:
      return Figures({}, shape);
    case FileKind::ResultText:
    case FileKind::ValidatorResult:
      return WithLabel(Settings());
    case FileKind::Modes:
      return {{"set", kWords},
              {"mode", kUnitless},
              {"damped_frequency_hz", "Hz"},
              {"natural_frequency_hz", "Hz"},
              {"damping_ratio", kUnitless},
              {"shape", kWords}};
    case FileKind::BatchSummary:
      return Figures({{"set", kUnitless},
                      {"DT", "s"},
                      {"ITER", kUnitless},
                      {"SUBD", kUnitless},
                      {"SGNT", "m/s"},
                      {"run_time", "s"}},
                     shape);
    case FileKind::BatchRunTimes:
    case FileKind::ValidatorRunTime:
      return WithTime(Settings());
    case FileKind::StudySummary:
      return StudySummary(shape);
    case FileKind::StudyCaseModel:
    case FileKind::Manifest:
      return {};
    case FileKind::ValidatorForces:
      return ValidatorForces();
    case FileKind::ValidatorStates:
      return ValidatorStates();
    case FileKind::Hdf5:
      return Hdf5Tables(shape);
  }
  return {};
}

std::vector<std::string> ColumnNames(const std::vector<Column>& columns) {
  std::vector<std::string> names;
  names.reserve(columns.size());
  for (const Column& column : columns) names.push_back(column.name);
  return names;
}

const char* FileKindName(FileKind kind) {
  switch (kind) {
    case FileKind::TimeSeries:
      return "time_series";
    case FileKind::States:
      return "states";
    case FileKind::Summary:
      return "summary";
    case FileKind::ResultText:
      return "result_text";
    case FileKind::Modes:
      return "modes";
    case FileKind::BatchSummary:
      return "batch_summary";
    case FileKind::BatchRunTimes:
      return "batch_run_times";
    case FileKind::StudySummary:
      return "study_summary";
    case FileKind::StudyCaseModel:
      return "study_case_model";
    case FileKind::ValidatorResult:
      return "validator_result_text";
    case FileKind::ValidatorForces:
      return "validator_forces";
    case FileKind::ValidatorStates:
      return "validator_states";
    case FileKind::ValidatorRunTime:
      return "validator_run_time";
    case FileKind::Manifest:
      return "manifest";
    case FileKind::Hdf5:
      return "hdf5";
  }
  return "";
}

// A path's last part names its field (BODY.Car.mass) or, alone, its
// one-number section (DT).
std::string ParameterUnit(const std::string& path) {
  static const std::pair<const char*, const char*> kUnits[] = {
      {"mass", "kg"},
      {"inertia", "kg m2"},
      {"center_x", "m"},
      {"center_y", "m"},
      {"rel_x", "m"},
      {"rel_y", "m"},
      {"stiffness", "N/m"},
      {"damping", "N s/m"},
      {"reduced_mass", "kg"},
      {"static_load", "N"},
      {"radius", "m"},
      {"gain", kUnitless},
      {"threshold", "m/s"},
      {"mu_max", kUnitless},
      {"limit_ratio", kUnitless},
      {"decay_velocity", "m/s"},
      {"shape_exponent", kUnitless},
      {"DT", "s"},
      {"ITER", kUnitless},
      {"LIM", "m/s"},
      {"SUBDIV", kUnitless},
      {"fill", "s"},
      {"release", "s"},
      {"position", "m"},
      {"gradient", "1e-3"},
      {"factor", kUnitless},
      {"enabled", kUnitless},
      {"ref_decel", "m/s2"},
      {"ref_accel", "m/s2"},
      {"slide_diff", "m/s"},
      {"decel_diff", "m/s"},
      {"slide_decel", "m/s2"},
      {"recover_accel", "m/s2"},
      {"dump_rate", "1/s"},
      {"refill_rate", "1/s"},
      {"safety_time", "s"},
      {"min_speed", "m/s"},
      {"BRKHOLD", kUnitless},
      {"V0", "m/s"},
  };
  const std::size_t dot = path.rfind('.');
  const std::string field = dot == std::string::npos ? path : path.substr(dot + 1);
  for (const auto& [name, unit] : kUnits) {
    if (field == name) return unit;
  }
  return "as in the model file";
}
