// Counts the heap allocations of the vehicle step and of its recording. The global allocation
// functions of this test executable are replaced by counting ones that forward to
// malloc and free; every form that can pair with them is replaced as well.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <map>
#include <new>
#include <sstream>
#include <vector>

#include "results/StepRecorder.h"
#include "setup/VehicleSetUp.h"
#include "support/Hdf5Reading.h"
#include "support/SingleMassVehicle.h"
#include "support/TestSupport.h"
#include "vehicle/Kelvra.h"

namespace {

std::atomic<long> allocationCount{0};

void* CountedAllocation(std::size_t size) {
  allocationCount.fetch_add(1, std::memory_order_relaxed);
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
  return CountedAllocation(size);
}
void* operator new[](std::size_t size) {
  return CountedAllocation(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  allocationCount.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  allocationCount.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete[](void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
  std::free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
  std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
  std::free(memory);
}

namespace {

// The step alone, and the step with its time-series row recorded, in blocks
// handed to the writer thread, flushed row by row, or gathered into the chunks
// of an HDF5 table. Opening the file and starting the writer happen before the
// counting; the flush at the end (which the window makes every frame) belongs
// to it.
TEST(StepAllocationTest, StepAndRecordingAllocateNothingAfterWarmUp) {
  enum class Recording { None, Blocks, EveryRow, Hdf5 };
  for (const Recording recording :
       {Recording::None, Recording::Blocks, Recording::EveryRow, Recording::Hdf5}) {
    for (int axles : {1, 4}) {
      SCOPED_TRACE(static_cast<int>(recording));
      SingleMassVehicle vehicle(axles);
      vehicle.iter = 3;
      vehicle.initialState = {15.0, 0.0};
      vehicle.BuildMatrices();
      testing_support::TempFolder folder;
      folder.Write("model.in", vehicle.ParameterText());
      Kelvra kelvra;
      std::ostringstream log;
      ASSERT_TRUE(vehicle.Create(kelvra, (folder.Path() / "model.in").string(), log)) << log.str();
      Hdf5File file;
      StepRecorder recorder;
      if (recording == Recording::Hdf5) {
        ASSERT_TRUE(file.Create((folder.Path() / "steps.h5").string()));
        ASSERT_TRUE(recorder.OpenHdf5(file, kelvra));
      } else if (recording != Recording::None) {
        ASSERT_TRUE(recorder.Open((folder.Path() / "steps.csv").string(), axles,
                                  recording == Recording::EveryRow));
      }

      const std::vector<double> released(axles, 0.0);
      const std::vector<double> braking(axles, 30000.0);
      ASSERT_TRUE(kelvra.DoStep(released, 5000.0));
      recorder.RecordInitial(kelvra);

      const long before = allocationCount.load();
      bool ok = true;
      for (int k = 0; k < 2000; ++k) {
        const std::vector<double>& brake = k < 1000 ? released : braking;
        const double traction = k < 1000 ? 5000.0 : 0.0;
        ok = kelvra.DoStep(brake, traction) && ok;
        recorder.Record((k + 1) * 0.005, brake, traction, kelvra);
      }
      ok = recorder.Flush() && ok;
      const long during = allocationCount.load() - before;
      EXPECT_TRUE(ok);
      EXPECT_EQ(0, during) << axles << " axles";
      EXPECT_TRUE(recorder.Close());
      EXPECT_TRUE(file.Close());
      if (recording == Recording::Hdf5) {
        std::map<std::string, testing_support::Hdf5Group> groups;
        ASSERT_TRUE(testing_support::ReadHdf5Groups(folder.Path() / "steps.h5", groups));
        EXPECT_EQ(2001u, groups["series"].datasets.at(0).values.size());
      } else if (recording != Recording::None) {
        const std::string text = folder.Read("steps.csv");
        EXPECT_EQ(2002, std::count(text.begin(), text.end(), '\n'));
      }
    }
  }
}

TEST(StepAllocationTest, CounterSeesAllocations) {
  const long before = allocationCount.load();
  std::vector<double>* grown = new std::vector<double>(100);
  delete grown;
  EXPECT_EQ(2, allocationCount.load() - before);
}

// The same on a real line, every optional section active: the shipped
// vehicle runs down a gradient over an adhesion patch, its cylinders filling
// and its slide protection at work, until its held wheels park it; the
// gravity inputs, the level factors, the cylinders, the valves and the
// parking solve work in space made at the set-up.
TEST(StepAllocationTest, AStepOnARealLineAllocatesNothingAfterWarmUp) {
  const std::string shipped =
      testing_support::ReadFile(testing_support::DataDir() / "combined_train17_GEN.in");
  testing_support::TempFolder folder;
  folder.Write("model.in", shipped.substr(0, shipped.find("GRADIENT 1")) +
                               "GRADIENT 1\n-100 -5\nADHLEVEL 2\n10 0.5\n20 1\n"
                               "BRKCYL 0.5 0.5\nBRKHOLD 1\nWSP 1\nV0 5\n");
  VehicleSetUp setUp;
  ASSERT_TRUE(setUp.Build((folder.Path() / "model.in").string(), 0.005)) << setUp.Failure();
  Kelvra kelvra;
  std::ostringstream log;
  ASSERT_TRUE(setUp.CreateVehicle(kelvra, log)) << log.str();
  StepRecorder recorder;
  ASSERT_TRUE(recorder.Open((folder.Path() / "steps.csv").string(), kelvra));
  const std::vector<double> braking(4, 25000.0);
  ASSERT_TRUE(kelvra.DoStep(braking, 0.0));
  recorder.RecordInitial(kelvra);
  const long before = allocationCount.load();
  bool ok = true;
  for (int k = 0; k < 2000; ++k) {
    ok = kelvra.DoStep(braking, 0.0) && ok;
    recorder.Record((k + 1) * 0.005, braking, 0.0, kelvra);
  }
  ASSERT_TRUE(recorder.Flush());
  EXPECT_EQ(0, allocationCount.load() - before);
  EXPECT_TRUE(ok);
  EXPECT_LT(std::fabs(kelvra.VehicleSpeed()[0]), 0.01) << "parked by the end";
}

}  // namespace
