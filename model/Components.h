#pragma once

// The components of the linear multibody model as read from the model file.
// References between components are 0-based positions in the referenced list.

#include <string>
#include <unordered_map>
#include <vector>

// A rigid body moving in the x-y plane.
struct Body {
  std::string name = "noname";
  double mass = 0.0;     // for the X and Y freedoms
  double inertia = 0.0;  // about the centre of mass, for the R freedom
  double centerX = 0.0;
  double centerY = 0.0;
  std::string dofs;  // a selection of X, Y, R in this order; "0" for a fixed body
};

// A point fixed on a body, offset from the body's centre of mass.
struct Node {
  std::string name = "noname";
  int body = 0;
  double relX = 0.0;
  double relY = 0.0;
};

// A linear spring and viscous damper acting along the line between two nodes.
struct Force {
  std::string name = "noname";
  int firstNode = 0;
  int secondNode = 0;
  double stiffness = 0.0;
  double damping = 0.0;
};

// A pair of nodes: an external force input pushing them apart, or an outbound
// displacement output measuring the change of their distance.
struct ExtForce {
  std::string name = "noname";
  int firstNode = 0;
  int secondNode = 0;
};
using Outdisp = ExtForce;

// One axle of the vehicle system, tying the linear model to the wheel-rail models.
struct Wheel {
  std::string name = "noname";
  double reducedMass = 0.0;
  double constantNormalForce = 0.0;  // static axle load
  double radius = 0.0;
  int parentBody = 0;
  int normalForce = 0;    // force carrying the wheel's normal load
  int normalOutdisp = 0;  // outbound displacement measuring its deflection
  int axleExtForce = 0;   // wheel-rail adhesion force of this axle
  int bogieExtForce = 0;  // brake force of this axle
  int brakeNode = 0;      // first node of the brake force
};

// One generalised coordinate: X, Y or R of a body.
struct DofEntry {
  int body = 0;
  char kind = 'X';
};

// Position of the first record named `name`, or the list's length when none is.
template <typename Record>
int FindByName(const std::vector<Record>& list, const std::string& name) {
  int position = 0;
  for (const Record& record : list) {
    if (record.name == name) return position;
    ++position;
  }
  return position;
}

// A list of records with the position of the first record of each name, kept
// as records are appended, so that a name is found at once however long the
// list: searching it record by record made a model of 90000 components take
// minutes to read.
template <typename Record>
class NamedRecords {
 public:
  void Append(const Record& record) {
    first.emplace(record.name, static_cast<int>(records.size()));
    records.push_back(record);
  }
  // Position of the first record named `name`, or the list's length when none is.
  int Find(const std::string& name) const {
    const auto found = first.find(name);
    return found == first.end() ? static_cast<int>(records.size()) : found->second;
  }
  const std::vector<Record>& List() const { return records; }

 private:
  std::vector<Record> records;
  std::unordered_map<std::string, int> first;
};

// The DOF's name: the body's name, "_" and the kind letter.
inline std::string DofName(const std::vector<Body>& bodies, const DofEntry& dof) {
  return bodies[dof.body].name + "_" + dof.kind;
}
