#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "solver/MtrxVeh.h"

namespace {

SparseMatrix Sparse(std::uint32_t rows, const std::vector<double>& rowMajor) {
  SparseMatrix m;
  EXPECT_TRUE(m.FromRowMajor(rows, rowMajor));
  return m;
}

// A free mass m driven by one force, state (v, x): x' = A x + F u with
// A = [[0, 0], [1, 0]], F = [[1/m], [0]]. Exactly discretised for step dt:
// C = [[1, 0], [dt, 1]], P = [[dt/m], [dt^2/2m]], P1 = [[dt^2/2m], [dt^3/6m]].
struct FreeMass {
  double m = 2.0;
  double dt = 0.1;
  SparseMatrix C = Sparse(2, {1, 0, dt, 1});
  SparseMatrix P = Sparse(2, {dt / m, dt* dt / (2 * m)});
  SparseMatrix P1 = Sparse(2, {dt * dt / (2 * m), dt* dt* dt / (6 * m)});
};

TEST(TMtrxVehTest, SetParChecksTheSizes) {
  const FreeMass mass;
  struct Case {
    SparseMatrix c;
    SparseMatrix p;
    std::vector<double> x0;
    const char* log;
  };
  const Case cases[] = {
      {mass.C, mass.P, {0, 0}, "\nTMtrxVeh::SetPar() successfully finished.\n"},
      {mass.C, mass.P, {0, 0, 0}, "\nWrong sizes in TMtrxVeh::ReadPar()\n"},
      {Sparse(2, {1, 0, 0, 1, 0, 0}), mass.P, {0, 0}, "\nWrong sizes in TMtrxVeh::ReadPar()\n"},
      {mass.C, Sparse(1, {1, 1}), {0, 0}, "\nWrong sizes in TMtrxVeh::ReadPar()\n"},
  };
  for (const Case& c : cases) {
    TMtrxVeh veh;
    std::ostringstream log;
    const bool expected = c.log[1] == 'T';
    EXPECT_EQ(expected, veh.SetPar(c.c, c.p, c.x0, log, 0.1, mass.P1));
    EXPECT_EQ(c.log, log.str());
  }
}

TEST(TMtrxVehTest, ConstantForceFollowsTheClosedForm) {
  const FreeMass mass;
  TMtrxVeh veh;
  std::ostringstream log;
  ASSERT_TRUE(veh.SetPar(mass.C, mass.P, {0.5, 1.0}, log, mass.dt, mass.P1));
  veh.Init();
  const double force = 3.0;
  const std::vector<double> u{force};
  for (int k = 0; k < 20; ++k) {
    ASSERT_TRUE(veh.DoStep(u, u));
    ASSERT_TRUE(veh.Finalize());
  }
  const double t = 20 * mass.dt;
  const double a = force / mass.m;
  EXPECT_NEAR(0.5 + a * t, veh.State()[0], 1e-12);
  EXPECT_NEAR(1.0 + 0.5 * t + a * t * t / 2, veh.State()[1], 1e-12);
}

// u rising linearly from u0 to u1 over the step: v = (u0 dt + (u1 - u0) dt / 2) / m,
// x = (u0 dt^2 / 2 + (u1 - u0) dt^2 / 6) / m.
TEST(TMtrxVehTest, RampInputFollowsTheClosedForm) {
  const FreeMass mass;
  TMtrxVeh veh;
  std::ostringstream log;
  ASSERT_TRUE(veh.SetPar(mass.C, mass.P, {0, 0}, log, mass.dt, mass.P1));
  veh.Init();
  const double u0 = 1.0;
  const double u1 = 4.0;
  ASSERT_TRUE(veh.DoStep({u0}, {u1}));
  const double dt = mass.dt;
  EXPECT_NEAR((u0 * dt + (u1 - u0) * dt / 2) / mass.m, veh.NextState()[0], 1e-15);
  EXPECT_NEAR((u0 * dt * dt / 2 + (u1 - u0) * dt * dt / 6) / mass.m, veh.NextState()[1], 1e-15);
}

TEST(TMtrxVehTest, StepsRestartFromTheCommittedStateUntilFinalize) {
  const FreeMass mass;
  TMtrxVeh once;
  TMtrxVeh twice;
  std::ostringstream log;
  ASSERT_TRUE(once.SetPar(mass.C, mass.P, {1, 2}, log, mass.dt, mass.P1));
  ASSERT_TRUE(twice.SetPar(mass.C, mass.P, {1, 2}, log, mass.dt, mass.P1));
  once.Init();
  twice.Init();
  EXPECT_FALSE(once.Finalize());

  ASSERT_TRUE(twice.DoStep({1.0}, {7.0}));
  ASSERT_TRUE(twice.DoStep({1.0}, {2.0}));
  ASSERT_TRUE(once.DoStep({1.0}, {2.0}));
  EXPECT_EQ(once.NextState(), twice.NextState());
  EXPECT_EQ((std::vector<double>{1, 2}), twice.State());
  ASSERT_TRUE(twice.Finalize());
  EXPECT_EQ(once.NextState(), twice.State());

  twice.Init();
  EXPECT_EQ((std::vector<double>{1, 2}), twice.State());
  EXPECT_FALSE(twice.Finalize());

  // A step with another start input, or from another committed state, is not
  // built on what an earlier step computed.
  ASSERT_TRUE(twice.DoStep({5.0}, {5.0}));
  ASSERT_TRUE(twice.DoStep({1.0}, {2.0}));
  EXPECT_EQ(once.NextState(), twice.NextState());
  twice.Init();
  ASSERT_TRUE(twice.DoStep({1.0}, {2.0}));
  ASSERT_TRUE(twice.Finalize());
  ASSERT_TRUE(twice.DoStep({1.0}, {2.0}));
  ASSERT_TRUE(once.Finalize());
  ASSERT_TRUE(once.DoStep({1.0}, {2.0}));
  EXPECT_EQ(once.NextState(), twice.NextState());
}

TEST(TMtrxVehTest, InputThatFitsNoStepMatrixFailsButCountsAsAStep) {
  const FreeMass mass;
  TMtrxVeh veh;
  std::ostringstream log;
  ASSERT_TRUE(veh.SetPar(mass.C, mass.P, {1, 2}, log, mass.dt, mass.P1));
  veh.Init();
  EXPECT_FALSE(veh.DoStep({1, 1}, {1, 1}));
  // Only the free motion was added before the failing product.
  EXPECT_EQ((std::vector<double>{1, 2 + mass.dt}), veh.NextState());
  EXPECT_TRUE(veh.Finalize());
  EXPECT_FALSE(veh.DoStep({1}, {1, 2}));
}

TEST(TMtrxVehOutTest, SetParChecksListsIndicesAndRows) {
  // Two axles, state of three entries.
  const SparseMatrix n = Sparse(2, {1, 0, 0, 0, 0, 2});
  struct Case {
    SparseMatrix n;
    std::vector<double> loads;
    std::vector<unsigned> idxA;
    std::vector<unsigned> idxB;
    bool accepted;
  };
  const Case cases[] = {
      {n, {10, 20}, {0, 0}, {1, 2}, true},
      {n, {10, 20}, {0, 3}, {1, 2}, false},            // index equal to N.cols
      {n, {10, 20}, {0, 0}, {1, 3}, false},            // the same in idxB
      {n, {10, 20}, {0}, {1, 2}, false},               // lists differ in length
      {n, {10, 20, 30}, {0, 0, 0}, {1, 1, 1}, false},  // more axles than rows of N
      {SparseMatrix{}, {}, {}, {}, true},              // no axles: no index test
  };
  for (const Case& c : cases) {
    TMtrxVehOut out;
    std::ostringstream log;
    EXPECT_EQ(c.accepted, out.SetPar(c.n, c.loads, c.idxA, c.idxB, log));
    EXPECT_EQ(c.accepted ? "\nTMtrxVehOut::SetPar() successfully finished.\n"
                         : "\nWrong sizes in TMtrxVehOut::ReadPar()\n",
              log.str());
  }
}

TEST(TMtrxVehOutTest, ComputesAndCommitsThePerAxleOutputs) {
  TMtrxVehOut out;
  std::ostringstream log;
  ASSERT_TRUE(out.SetPar(Sparse(2, {1, 0, 0, 0, 0, 2}), {10, 20}, {0, 1}, {2, 1}, log));
  out.Init();
  EXPECT_EQ((std::vector<double>{0, 0}), out.NormalForceCommitted());
  EXPECT_FALSE(out.Finalize());

  ASSERT_TRUE(out.Compute({3, 4, 5}));
  EXPECT_EQ((std::vector<double>{13, 30}), out.NormalForce());
  EXPECT_EQ((std::vector<double>{3, 4}), out.VehicleSpeed());
  EXPECT_EQ((std::vector<double>{5, 4}), out.Position());
  EXPECT_EQ((std::vector<double>{0, 0}), out.VehicleSpeedCommitted());
  ASSERT_TRUE(out.Finalize());
  EXPECT_EQ((std::vector<double>{13, 30}), out.NormalForceCommitted());
  EXPECT_EQ((std::vector<double>{3, 4}), out.VehicleSpeedCommitted());
  EXPECT_EQ((std::vector<double>{5, 4}), out.PositionCommitted());

  EXPECT_FALSE(out.Compute({3, 4}));  // too short for N
}

}  // namespace
