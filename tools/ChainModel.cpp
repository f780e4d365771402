#include "tools/ChainModel.h"

#include <cstddef>
#include <sstream>
#include <vector>

namespace chain_model {

namespace {

// Wagon layout along x: centres 14 apart, the first 25 ahead of its carrier's
// centre; coupler nodes 6 from the centre, so neighbours' couplers are 2 long.
constexpr double kFirstWagonOffset = 25.0;
constexpr double kWagonPitch = 14.0;
constexpr double kCouplerOffset = 6.0;
// Vertical suspension: from 1 below the wagon centre to the ground 1.5 below it.
constexpr double kSpringNodeDepth = 1.0;
constexpr double kGroundDepth = 1.5;
constexpr double kSuspensionStiffness = 1.2e6;  // N/m
constexpr double kSuspensionDamping = 3e4;      // N s/m
constexpr double kCouplerStiffness = 4e6;       // N/m
constexpr double kCouplerDamping = 8e4;         // N s/m
// The chain alone stands at the height of the shipped car's centre.
constexpr double kChainHeight = 1.26;

// Distinct for every wagon: the residue pattern spreads them over 15 to 30 t,
// the small linear term separates wagons with equal residues.
double WagonMass(int wagon) {
  return 15000.0 + 1500.0 * ((7 * wagon) % 11) + 3.0 * wagon;
}

std::string WagonName(int wagon) {
  return "Wagon" + std::to_string(wagon);
}

// The words of a line, without its '|' comment.
std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line.substr(0, line.find('|')));
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string FirstWord(const std::string& line) {
  const std::vector<std::string> words = Words(line);
  return words.empty() ? std::string() : words[0];
}

// The train behind the anchor node `anchor` at (anchorX, height), which
// `anchorLine` declares: components and DOF names.
struct Train {
  std::string components;
  std::string dofs;
  int lastWagon = 0;
};

// `freedoms` freedoms in wagons of X and Y; an odd count leaves the last wagon X only.
Train WagonTrain(int freedoms, const std::string& anchor, const std::string& anchorLine,
                 double anchorX, double height) {
  std::ostringstream components;
  std::ostringstream dofs;
  components << "| Train of wagons (generated): a fixed ground body, then per wagon its body,\n"
                "| coupler nodes, vertical suspension and the coupler to its predecessor.\n"
                "BODY ChainGround 0 0 0 0 FIX\n"
             << anchorLine;
  const int wagons = (freedoms + 1) / 2;
  for (int i = 1; i <= wagons; ++i) {
    const std::string name = WagonName(i);
    const bool vertical = 2 * i <= freedoms;
    const double x = anchorX + 1.0 + kCouplerOffset + kWagonPitch * (i - 1);
    components << "BODY " << name << ' ' << WagonMass(i) << " 0 " << x << ' ' << height << ' '
               << (vertical ? "XY" : "X") << '\n'
               << "NODE " << name << "Front " << name << ' ' << -kCouplerOffset << " 0\n"
               << "NODE " << name << "Rear " << name << ' ' << kCouplerOffset << " 0\n";
    if (vertical) {
      components << "NODE " << name << "Spring " << name << " 0 " << -kSpringNodeDepth << '\n'
                 << "NODE " << name << "Base ChainGround " << x << ' ' << height - kGroundDepth
                 << '\n'
                 << "FORCE " << name << "Suspension " << name << "Spring " << name << "Base "
                 << kSuspensionStiffness << ' ' << kSuspensionDamping << '\n';
    }
    const std::string previous = i == 1 ? anchor : WagonName(i - 1) + "Rear";
    components << "FORCE " << name << "Coupler " << previous << ' ' << name << "Front "
               << kCouplerStiffness << ' ' << kCouplerDamping << '\n';
    dofs << name << "_X" << (vertical ? " " + name + "_Y" : "") << '\n';
  }
  return Train{components.str(), dofs.str(), wagons};
}

std::string ZeroState(int freedoms) {
  std::ostringstream y0;
  y0 << "Y0 " << 2 * freedoms << '\n';
  for (int i = 0; i < 2 * freedoms; ++i) y0 << (i + 1 == 2 * freedoms ? "0\n" : "0 ");
  return y0.str();
}

// Positions of the parts of a vehicle model the train is spliced into.
struct VehicleParts {
  std::size_t componentsEnd = 0;  // line of the component section's END
  std::size_t dofsLine = 0;       // line of the DOFS keyword
  std::size_t y0Line = 0;         // first line of the Y0 item
  std::size_t y0End = 0;          // line after its last number
  int freedoms = 0;               // names in the DOFS section
  double carX = 0.0;
  double carY = 0.0;
};

// Lines from `from` up to the first whose first word is `keyword`, or npos.
std::size_t FindLine(const std::vector<std::string>& lines, std::size_t from,
                     const std::string& keyword) {
  for (std::size_t i = from; i < lines.size(); ++i) {
    if (FirstWord(lines[i]) == keyword) return i;
  }
  return std::string::npos;
}

// The whole word as a number.
template <typename Number>
bool Parse(const std::string& word, Number& value) {
  std::istringstream in(word);
  return static_cast<bool>(in >> value) && in.eof();
}

bool FindCar(const std::vector<std::string>& lines, VehicleParts& parts) {
  for (const std::string& line : lines) {
    const std::vector<std::string> words = Words(line);
    if (words.size() >= 6 && words[0] == "BODY" && words[1] == "Car") {
      return Parse(words[4], parts.carX) && Parse(words[5], parts.carY);
    }
  }
  return false;
}

// The DOFS names up to END, and the Y0 item: its count, then that many numbers.
bool FindDofsAndState(const std::vector<std::string>& lines, VehicleParts& parts) {
  parts.dofsLine = FindLine(lines, parts.componentsEnd + 1, "DOFS");
  if (parts.dofsLine == std::string::npos) return false;
  const std::size_t dofsEnd = FindLine(lines, parts.dofsLine, "END");
  if (dofsEnd == std::string::npos) return false;
  for (std::size_t i = parts.dofsLine; i < dofsEnd; ++i) {
    parts.freedoms += static_cast<int>(Words(lines[i]).size());
  }
  parts.freedoms -= 1;  // the keyword itself
  parts.y0Line = FindLine(lines, dofsEnd, "Y0");
  if (parts.y0Line == std::string::npos) return false;
  std::vector<std::string> words = Words(lines[parts.y0Line]);
  long count = 0;
  if (words.size() < 2 || !Parse(words[1], count)) return false;
  long numbers = static_cast<long>(words.size()) - 2;
  std::size_t line = parts.y0Line + 1;
  for (; numbers < count && line < lines.size(); ++line) {
    numbers += static_cast<long>(Words(lines[line]).size());
  }
  parts.y0End = line;
  return numbers == count;
}

bool FindVehicleParts(const std::vector<std::string>& lines, VehicleParts& parts,
                      std::string& error) {
  const std::size_t begin = FindLine(lines, 0, "BEGIN");
  parts.componentsEnd = begin == std::string::npos ? begin : FindLine(lines, begin, "END");
  if (parts.componentsEnd == std::string::npos) {
    error = "the vehicle model has no component section BEGIN ... END";
    return false;
  }
  if (!FindCar(lines, parts)) {
    error = "the vehicle model has no body 'Car' with a readable centre to couple the wagons to";
    return false;
  }
  if (!FindDofsAndState(lines, parts)) {
    error = "the vehicle model lacks a DOFS section or a complete Y0 item after it";
    return false;
  }
  return true;
}

}  // namespace

bool ChainModelText(int freedoms, std::string& text, std::string& error) {
  if (freedoms < 1) {
    error = "a chain needs at least one freedom";
    return false;
  }
  const double stopX = 0.0;
  std::ostringstream stop;
  stop << "NODE BufferStop ChainGround " << stopX << ' ' << kChainHeight << '\n';
  const Train train = WagonTrain(freedoms, "BufferStop", stop.str(), stopX, kChainHeight);
  const std::string last = WagonName(train.lastWagon);
  const double pushX = stopX + kWagonPitch * train.lastWagon;
  std::ostringstream out;
  out << "| A chain of " << freedoms << " freedoms, generated by make_chain_model.\n"
      << "BEGIN\n"
      << train.components << "NODE PushBase ChainGround " << pushX << ' ' << kChainHeight << '\n'
      << "EXTFORCE Push " << last << "Rear PushBase\n"
      << "END\n\nDOFS\n"
      << train.dofs << "END\n\nDT 0.005\n\n"
      << ZeroState(freedoms);
  text = out.str();
  return true;
}

bool VehicleChainModelText(int freedoms, const std::string& vehicleModel, std::string& text,
                           std::string& error) {
  const std::vector<std::string> lines = Lines(vehicleModel);
  VehicleParts parts;
  if (!FindVehicleParts(lines, parts, error)) return false;
  const int wagonFreedoms = freedoms - parts.freedoms;
  if (wagonFreedoms < 0) {
    error = "the vehicle alone has " + std::to_string(parts.freedoms) + " freedoms, more than " +
            std::to_string(freedoms);
    return false;
  }
  const double couplerX = parts.carX + kFirstWagonOffset - kCouplerOffset - 1.0;
  std::ostringstream coupler;
  coupler << "NODE CarCoupler Car " << couplerX - parts.carX << " 0\n";
  Train train;
  if (wagonFreedoms > 0) {
    train = WagonTrain(wagonFreedoms, "CarCoupler", coupler.str(), couplerX, parts.carY);
  }

  std::ostringstream out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i == parts.componentsEnd) out << train.components;
    if (i == parts.y0Line) out << ZeroState(freedoms);
    if (i >= parts.y0Line && i < parts.y0End) continue;
    out << lines[i] << '\n';
    if (i == parts.dofsLine) out << train.dofs;
  }
  text = out.str();
  return true;
}

}  // namespace chain_model
