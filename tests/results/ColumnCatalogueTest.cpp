// The column catalogue: every column of every kind of file has a unit, the
// per-axle and per-freedom columns follow the model, and a study's parameters
// get the units of the numbers they change.

#include <gtest/gtest.h>

#include <set>

#include "results/ColumnCatalogue.h"

namespace {

constexpr FileKind kEveryKind[] = {
    FileKind::TimeSeries,       FileKind::States,          FileKind::Summary,
    FileKind::ResultText,       FileKind::Modes,           FileKind::BatchSummary,
    FileKind::BatchRunTimes,    FileKind::StudySummary,    FileKind::StudyCaseModel,
    FileKind::ValidatorResult,  FileKind::ValidatorForces, FileKind::ValidatorStates,
    FileKind::ValidatorRunTime, FileKind::Manifest};

ColumnShape Shape(int axles) {
  ColumnShape shape;
  shape.axles = axles;
  shape.freedoms = {{"Car_X", false}, {"Car_R", true}};
  shape.deflections = {"Prim1VertDefl"};
  shape.studyParameters = {"BRKSYS.gain", "BODY.Car.mass"};
  return shape;
}

TEST(ColumnCatalogueTest, EveryColumnHasAUnitAndANameOfItsOwn) {
  std::set<std::string> kindNames;
  for (const FileKind kind : kEveryKind) {
    EXPECT_TRUE(kindNames.insert(FileKindName(kind)).second) << FileKindName(kind);
    std::set<std::string> names;
    for (const Column& column : FileColumns(kind, Shape(3))) {
      EXPECT_FALSE(column.unit.empty()) << FileKindName(kind) << " " << column.name;
      EXPECT_TRUE(names.insert(column.name).second) << FileKindName(kind) << " " << column.name;
    }
  }
}

// An axle more adds its columns at the end: the columns run axle by axle.
TEST(ColumnCatalogueTest, PerAxleColumnsFollowTheAxleCount) {
  const struct {
    FileKind kind;
    std::size_t perAxle;
    std::string lastOfAxle4;
  } cases[] = {{FileKind::TimeSeries, 8, "position_4"},
               {FileKind::Summary, 1, "largest_slip_4"},
               {FileKind::BatchSummary, 1, "largest_slip_4"},
               {FileKind::StudySummary, 1, "largest_slip_4"}};
  for (const auto& c : cases) {
    const std::vector<Column> three = FileColumns(c.kind, Shape(3));
    const std::vector<Column> four = FileColumns(c.kind, Shape(4));
    ASSERT_EQ(three.size() + c.perAxle, four.size()) << FileKindName(c.kind);
    EXPECT_EQ(three, std::vector<Column>(four.begin(), four.begin() + three.size()));
    EXPECT_EQ(c.lastOfAxle4, four.back().name);
  }
  // The validator models its own four-axle vehicle, whatever the run's.
  EXPECT_EQ(FileColumns(FileKind::ValidatorStates, Shape(2)),
            FileColumns(FileKind::ValidatorStates, Shape(6)));
}

// Brake cylinders add a force per axle after every other column of the time
// series; a real line adds the adhesion a stop used after the figures.
TEST(ColumnCatalogueTest, ColumnsOfARealLineFollowTheOthers) {
  ColumnShape line = Shape(2);
  line.brakeCylinders = true;
  line.adhesionUsed = true;
  const struct {
    FileKind kind;
    std::vector<Column> added;
  } cases[] = {
      {FileKind::TimeSeries, {{"cylinder_force_1", "N"}, {"cylinder_force_2", "N"}}},
      {FileKind::Summary, {{"adhesion_used", "1"}}},
      {FileKind::BatchSummary, {{"adhesion_used", "1"}}},
      {FileKind::StudySummary, {{"adhesion_used", "1"}}},
      {FileKind::States, {}},
  };
  for (const auto& c : cases) {
    std::vector<Column> expected = FileColumns(c.kind, Shape(2));
    expected.insert(expected.end(), c.added.begin(), c.added.end());
    EXPECT_EQ(expected, FileColumns(c.kind, line)) << FileKindName(c.kind);
  }
}

TEST(ColumnCatalogueTest, StatesTurnInRadiansAndMoveInMetres) {
  const std::vector<Column> expected = {{"time", "s"},           {"Car_X", "m"},
                                        {"Car_R", "rad"},        {"Car_X_velo", "m/s"},
                                        {"Car_R_velo", "rad/s"}, {"Prim1VertDefl", "m"}};
  EXPECT_EQ(expected, FileColumns(FileKind::States, Shape(4)));
}

TEST(ColumnCatalogueTest, StudyParametersHaveTheUnitsOfTheirNumbers) {
  const std::vector<Column> study = FileColumns(FileKind::StudySummary, Shape(1));
  ASSERT_GE(study.size(), 3u);
  EXPECT_EQ((Column{"BRKSYS.gain", "1"}), study[1]);
  EXPECT_EQ((Column{"BODY.Car.mass", "kg"}), study[2]);
  const std::pair<const char*, const char*> units[] = {{"FORCE.Sec1Vert.stiffness", "N/m"},
                                                       {"WHEEL.*.reduced_mass", "kg"},
                                                       {"ADHSET.1.decay_velocity", "m/s"},
                                                       {"DT", "s"},
                                                       {"LIM", "m/s"},
                                                       {"GRADIENT.2.gradient", "1e-3"},
                                                       {"BRKCYL.fill", "s"},
                                                       {"V0", "m/s"},
                                                       {"RESIST.c3", "as in the model file"}};
  for (const auto& [path, unit] : units) EXPECT_EQ(unit, ParameterUnit(path)) << path;
}

}  // namespace
