#pragma once

#include <string>
#include <vector>

#include "linalg/Matrix.h"

// Named result vectors for the display; entries are only ever appended.
class ResultStore {
 public:
  void Append(const Vector& values, const std::string& name) {
    vectors.push_back(values);
    names.push_back(name);
  }
  const std::vector<Vector>& Vectors() const { return vectors; }
  const std::vector<std::string>& Names() const { return names; }

 private:
  std::vector<Vector> vectors;
  std::vector<std::string> names;
};
