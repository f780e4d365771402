// Counts the heap allocations of the vehicle step. The global allocation
// functions of this test executable are replaced by counting ones that forward to
// malloc and free; every form that can pair with them is replaced as well.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <sstream>
#include <vector>

#include "SingleMassVehicle.h"
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

TEST(StepAllocationTest, StepAllocatesNothingAfterWarmUp) {
  for (int axles : {1, 4}) {
    SingleMassVehicle vehicle(axles);
    vehicle.iter = 3;
    vehicle.initialState = {15.0, 0.0};
    vehicle.BuildMatrices();
    testing_support::TempFolder folder;
    folder.Write("model.in", vehicle.ParameterText());
    Kelvra kelvra;
    std::ostringstream log;
    ASSERT_TRUE(vehicle.Create(kelvra, (folder.Path() / "model.in").string(), log)) << log.str();

    const std::vector<double> released(axles, 0.0);
    const std::vector<double> braking(axles, 30000.0);
    ASSERT_TRUE(kelvra.DoStep(released, 5000.0));

    const long before = allocationCount.load();
    bool ok = true;
    for (int k = 0; k < 2000; ++k) {
      ok = kelvra.DoStep(k < 1000 ? released : braking, k < 1000 ? 5000.0 : 0.0) && ok;
    }
    const long during = allocationCount.load() - before;
    EXPECT_TRUE(ok);
    EXPECT_EQ(0, during) << axles << " axles";
  }
}

TEST(StepAllocationTest, CounterSeesAllocations) {
  const long before = allocationCount.load();
  std::vector<double>* grown = new std::vector<double>(100);
  delete grown;
  EXPECT_EQ(2, allocationCount.load() - before);
}

}  // namespace
