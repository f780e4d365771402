// The batch parameter sets: the keyword BATCH and one row per set with DT,
// ITER, SUBD and SGNT.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "setup/InputReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = fuzzing::WriteInput(data, size, "batch_paramsets.in");
  Matrix sets;
  std::string error;
  if (ReadBatchParameterSets(file, sets, error)) {
    FUZZ_CHECK(sets.num_cols() >= 4);
    for (int i = 0; i < sets.num_rows(); ++i) {
      // What the batch loop relies on: a positive step, ITER >= 0, SUBD >= 1.
      FUZZ_CHECK(sets[i][0] > 0.0 && std::isfinite(sets[i][0]));
      FUZZ_CHECK(std::trunc(sets[i][1]) >= 0.0 && std::trunc(sets[i][2]) >= 1.0);
    }
  } else {
    FUZZ_CHECK(!error.empty());
    FUZZ_CHECK(sets.num_rows() == 0 && sets.num_cols() == 0);
  }
  return 0;
}
