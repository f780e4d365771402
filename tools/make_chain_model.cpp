// Writes a generated model file to standard output:
//   make_chain_model FREEDOMS                  a chain of wagons alone
//   make_chain_model FREEDOMS VEHICLE_MODEL    the vehicle of that file leading the wagons

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/ChainModel.h"

namespace {

const char* const kUsage = "usage: make_chain_model FREEDOMS [VEHICLE_MODEL] > model.in\n";

bool ReadWholeFile(const std::string& name, std::string& text) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  text = content.str();
  return static_cast<bool>(in);
}

}  // namespace

int main(int argc, char** argv) {
  int freedoms = 0;
  std::istringstream count(argc >= 2 ? argv[1] : "");
  if (argc < 2 || argc > 3 || !(count >> freedoms) || !count.eof()) {
    std::cerr << kUsage;
    return 2;
  }
  std::string text;
  std::string error;
  bool ok = false;
  if (argc == 2) {
    ok = chain_model::ChainModelText(freedoms, text, error);
  } else {
    std::string vehicle;
    if (!ReadWholeFile(argv[2], vehicle)) {
      std::cerr << "make_chain_model: cannot read '" << argv[2] << "'\n";
      return 1;
    }
    ok = chain_model::VehicleChainModelText(freedoms, vehicle, text, error);
  }
  if (!ok) {
    std::cerr << "make_chain_model: " << error << "\n";
    return 1;
  }
  std::cout << text;
  return 0;
}
