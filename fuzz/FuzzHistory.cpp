// The external force history: the keyword EFD and a matrix of brake inputs and
// traction, one row per 0.005 s sample.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "setup/InputReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = fuzzing::WriteInput(data, size, "history.in");
  Matrix history;
  std::string error;
  if (ReadExternalForceHistory(file, history, error)) {
    FUZZ_CHECK(history.num_rows() >= 0 && history.num_cols() >= 0);
    FUZZ_CHECK(AllFinite(history));
  } else {
    FUZZ_CHECK(!error.empty());
    FUZZ_CHECK(history.num_rows() == 0 && history.num_cols() == 0);
  }
  return 0;
}
