#pragma once

#include <sstream>
#include <string>

#include "model/TextPrepass.h"

// The cleaned text of `raw`, as the vehicle system reads its parameter sections.
inline std::stringstream Cleaned(const std::string& raw) {
  std::istringstream in(raw);
  std::stringstream out;
  StripCommentsKeepBlank(in, out);
  return out;
}
