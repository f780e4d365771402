#include "model/ComponentManager.h"

#include <fstream>
#include <sstream>

#include "model/TextInput.h"
#include "model/TextPrepass.h"

namespace {

// Checks one component line field by field. Every check runs whatever an
// earlier one found; each finding goes to the log, and any error makes the
// line invalid. `owner` is the kind word and the record's name as far as known.
class LineCheck {
 public:
  LineCheck(const std::vector<std::string>& lineWords, std::string& findings)
      : words(lineWords), log(findings) {}

  bool Valid() const { return valid; }

  void Error(const std::string& text) {
    log += "Error - " + text;
    valid = false;
  }

  // Takes the name from word 2 and rejects a name already used in `list`.
  template <typename Record>
  void Name(const std::string& kind, const char* noNameError, const NamedRecords<Record>& list,
            Record& record) {
    if (words.size() < 2) {
      Error(noNameError);
    } else {
      record.name = words[1];
      if (list.Find(record.name) < static_cast<int>(list.List().size())) {
        Error("Redefinition of " + kind + " " + QuotedExcerpt(record.name) +
              " is not allowed! The first definition will be used!\n");
      }
    }
    owner = kind + " " + QuotedExcerpt(record.name);
  }

  // The word at `position`, or null after `missing` when the line ends before it.
  const std::string* Field(size_t position, const std::string& missing) {
    if (position < words.size()) return &words[position];
    Error(missing);
    return nullptr;
  }

  // A number field: missing, unconvertible and (when asked) negative checks.
  bool Number(size_t position, const std::string& what, double& value, bool warnNegative = false) {
    const std::string* word = Field(position, owner + " has no " + what + " information!\n");
    if (word == nullptr) return false;
    if (!ParseDouble(*word, value)) {
      Error("Cannot convert " + what + " from string to double in " + owner + "!\n");
      return false;
    }
    if (warnNegative && value < 0.0) {
      log += "Warning - Negative value for " + what + " in " + owner + "!\n";
    }
    return true;
  }

  // A reference field resolved against the records read so far; the reference
  // stays 0 when the word is missing or names nothing. True when resolved.
  template <typename Record>
  bool Reference(size_t position, const std::string& missingWhat, const std::string& targetWhat,
                 const NamedRecords<Record>& list, int& reference) {
    const std::string* word = Field(position, owner + " has no " + missingWhat + " information!\n");
    if (word == nullptr) return false;
    const int found = list.Find(*word);
    if (found >= static_cast<int>(list.List().size())) {
      Error("No " + targetWhat + " " + QuotedExcerpt(*word) + " found for " + owner + "!\n");
      return false;
    }
    reference = found;
    return true;
  }

  // Words 3 and 4: two different nodes, compared once both are resolved.
  void NodePair(const NamedRecords<Node>& nodes, int& first, int& second) {
    const bool firstFound = Reference(2, "related first Node", "first Node", nodes, first);
    if (Reference(3, "related second Node", "second Node", nodes, second) && firstFound &&
        second == first) {
      Error("Second Node " + QuotedExcerpt(words[3]) + " of " + owner +
            " is the same as its first Node!\n");
    }
  }

  // Warns about the words beyond the line's `layout` words.
  void Surplus(size_t layout) {
    if (words.size() <= layout) return;
    log += "Warning - " + owner + " has more parameters, than needed. ";
    if (words.size() == layout + 1) {
      log += "Word: " + QuotedExcerpt(words[layout]) + " is not used!\n";
      return;
    }
    log += "Words: " + QuotedExcerpt(words[layout]);
    for (size_t i = layout + 1; i < words.size(); ++i) log += ", " + QuotedExcerpt(words[i]);
    log += " are not used!\n";
  }

 private:
  const std::vector<std::string>& words;
  std::string& log;
  std::string owner;
  bool valid = true;
};

// The letters X, Y, R found in the word, in this order; the definition is
// valid when nothing else is in it. "FIX" marks a fixed body ("0").
bool ParseDofDefinition(const std::string& word, std::string& dofs) {
  std::string letters;
  for (char kind : {'X', 'Y', 'R'}) {
    if (word.find(kind) != std::string::npos) letters += kind;
  }
  if (letters.size() == word.size()) {
    dofs = letters;
    return true;
  }
  if (word == "FIX") {
    dofs = "0";
    return true;
  }
  return false;
}

}  // namespace

bool ComponentManager::ReadModelFile(const std::string& fileName) {
  log += "***** ComponentManager Log *****\n\n";
  std::ifstream file;
  const TextInputState state = OpenTextInput(fileName, kModelFileLimit, file);
  if (state != TextInputState::Opened) {
    if (state != TextInputState::Missing) {
      log += "Error - " + TextInputProblem(state, fileName, kModelFileLimit) + "!\n";
    }
    return false;
  }
  std::stringstream text;
  StripComments(file, text);
  file.close();

  if (!FindKeyword(text, "BEGIN")) {
    log += "Error - Keyword BEGIN not found.\n";
    return false;
  }

  int validCount = 0;
  int invalidCount = 0;
  bool endFound = false;
  std::vector<std::string> words;
  while (ReadLine(text, words)) {
    if (!words.empty() && words[0] == "END") {
      endFound = true;
      break;
    }
    if (words.empty()) continue;
    if (ParseComponent(words)) {
      ++validCount;
    } else {
      ++invalidCount;
    }
  }
  log += "Number of valid components: " + std::to_string(validCount) + "\n";
  log += "Number of invalid components: " + std::to_string(invalidCount) + "\n";
  if (!endFound) log += "Error - Keyword END not found!\n";

  BuildDefaultDofList();
  if (!FindKeyword(text, "DOFS")) {
    log += "Warning - Keyword DOFS not found!\n";
  } else {
    std::vector<std::string> dofNames;
    std::string word;
    while (text >> word && word != "END") dofNames.push_back(word);
    ApplyDofNames(dofNames);
  }
  const bool sized = dofList.size() <= kMostFreedoms;
  if (!sized) {
    log += "Error - The model has " + std::to_string(dofList.size()) +
           " degrees of freedom, more than the limit of " + std::to_string(kMostFreedoms) + "!\n";
  }
  return endFound && invalidCount == 0 && sized;
}

bool ComponentManager::ParseComponent(const std::vector<std::string>& words) {
  const std::string& keyword = words[0];
  if (keyword == "BODY") return ParseBody(words);
  if (keyword == "WHEEL") return ParseWheel(words);
  if (keyword == "NODE") return ParseNode(words);
  if (keyword == "FORCE") return ParseForce(words);
  if (keyword == "EXTFORCE") return ParseNodePair(words, extForces);
  if (keyword == "OUTDISP") return ParseNodePair(words, outdisps);
  log += "Error - Unknown keyword: " + Excerpt(keyword) + "!\n";
  return false;
}

// BODY name mass inertia centerX centerY dofs
bool ComponentManager::ParseBody(const std::vector<std::string>& words) {
  Body body;
  LineCheck line(words, log);
  line.Name("Body", "A Body has no name!\n", bodies, body);
  line.Number(2, "mass", body.mass, true);
  line.Number(3, "inertia", body.inertia, true);
  line.Number(4, "center of mass x coordinate", body.centerX);
  line.Number(5, "center of mass y coordinate", body.centerY);
  const std::string owner = "Body " + QuotedExcerpt(body.name);
  if (const std::string* word = line.Field(6, owner + " has no degree of freedom definiton!\n")) {
    if (!ParseDofDefinition(*word, body.dofs)) {
      line.Error("Incorrect degree of freedom definition " + QuotedExcerpt(*word) + " for " +
                 owner + "!\n");
    }
  }
  line.Surplus(7);
  bodies.Append(body);
  return line.Valid();
}

// NODE name body relX relY
bool ComponentManager::ParseNode(const std::vector<std::string>& words) {
  Node node;
  LineCheck line(words, log);
  line.Name("Node", "A Node has no name!\n", nodes, node);
  line.Reference(2, "related body", "Body", bodies, node.body);
  line.Number(3, "relative coordinate x", node.relX);
  line.Number(4, "relative coordinate y", node.relY);
  line.Surplus(5);
  nodes.Append(node);
  return line.Valid();
}

// FORCE name firstNode secondNode stiffness damping
bool ComponentManager::ParseForce(const std::vector<std::string>& words) {
  Force force;
  LineCheck line(words, log);
  line.Name("Force", "A Force has no name!\n", forces, force);
  line.NodePair(nodes, force.firstNode, force.secondNode);
  line.Number(4, "stiffness", force.stiffness, true);
  line.Number(5, "damping", force.damping, true);
  line.Surplus(6);
  forces.Append(force);
  return line.Valid();
}

// EXTFORCE or OUTDISP name firstNode secondNode; both speak of an ExtForce.
bool ComponentManager::ParseNodePair(const std::vector<std::string>& words,
                                     NamedRecords<ExtForce>& list) {
  ExtForce pair;
  LineCheck line(words, log);
  line.Name("ExtForce", "An ExtForce has no name!\n", list, pair);
  line.NodePair(nodes, pair.firstNode, pair.secondNode);
  line.Surplus(4);
  list.Append(pair);
  return line.Valid();
}

// WHEEL name parentBody normalForce normalOutdisp axleExtForce bogieExtForce
//       reducedMass constantNormalForce radius
bool ComponentManager::ParseWheel(const std::vector<std::string>& words) {
  Wheel wheel;
  LineCheck line(words, log);
  line.Name("Wheel", "A Wheel has no name!\n", wheels, wheel);
  const bool parentFound = line.Reference(2, "parent body", "Body", bodies, wheel.parentBody);
  line.Reference(3, "normal force", "Force", forces, wheel.normalForce);
  line.Reference(4, "normal outdisp element", "Outdisp", outdisps, wheel.normalOutdisp);
  line.Reference(5, "axle (wheel-rail adhesion) extforce", "Extforce", extForces,
                 wheel.axleExtForce);
  // The brake force acts between the wheelset and its bogie; its first node
  // carries the brake force radius.
  if (line.Reference(6, "bogie (brake force) extforce", "Extforce", extForces,
                     wheel.bogieExtForce) &&
      parentFound) {
    const ExtForce& brake = extForces.List()[wheel.bogieExtForce];
    // An invalid EXTFORCE line may have left its references at 0 with no node read yet.
    const auto onParent = [&](int node) {
      return node < static_cast<int>(nodes.List().size()) &&
             nodes.List()[node].body == wheel.parentBody;
    };
    if (onParent(brake.firstNode) || onParent(brake.secondNode)) {
      wheel.brakeNode = brake.firstNode;
    } else {
      line.Error("The specified Extforce " + QuotedExcerpt(words[6]) +
                 " does not have any node on the parent body of Wheel " +
                 QuotedExcerpt(wheel.name) + "!\n");
    }
  }
  line.Number(7, "reduced mass", wheel.reducedMass);
  line.Number(8, "constant normal force", wheel.constantNormalForce);
  // The brake force radius is the brake node's offset divided by the radius.
  if (line.Number(9, "radius", wheel.radius) && wheel.radius == 0.0) {
    line.Error("Radius of Wheel " + QuotedExcerpt(wheel.name) + " must not be zero!\n");
  }
  line.Surplus(10);
  wheels.Append(wheel);
  return line.Valid();
}

int ComponentManager::FindDof(int body, char kind) const {
  int position = 0;
  for (const DofEntry& dof : dofList) {
    if (dof.body == body && dof.kind == kind) return position;
    ++position;
  }
  return position;
}
