#pragma once

// Reads the component section and the degree-of-freedom section of a model
// file into one list per component kind, checking every line and writing every
// finding into its log.

#include <cstddef>
#include <string>
#include <vector>

#include "model/Components.h"

// Most degrees of freedom of a model. The set-up decomposes a system matrix of
// twice as many rows, in time that grows with the cube of their number: about
// a minute at this limit, while a model of 23000 freedoms would take days and
// more memory than a desktop has.
inline constexpr std::size_t kMostFreedoms = 1000;

class ComponentManager {
 public:
  // Appends the log banner, reads the whole file and fills the lists. True only
  // when BEGIN and END were found and every component line was valid.
  bool ReadModelFile(const std::string& fileName);

  // One entry per letter of every body's `dofs`, bodies in list order; fixed
  // and invalid bodies add nothing.
  void BuildDefaultDofList();

  // Reorders the DOF list by the words of the DOFS section; wrong, repeated or
  // superfluous names are dropped with a warning, unplaced DOFs keep default order.
  void ApplyDofNames(const std::vector<std::string>& words);

  // Position of the first record of that name, or the list's length.
  int FindBody(const std::string& name) const { return bodies.Find(name); }
  int FindNode(const std::string& name) const { return nodes.Find(name); }
  int FindExtForce(const std::string& name) const { return extForces.Find(name); }

  // Position of the DOF (body, kind) in the DOF list, or the list's length.
  int FindDof(int body, char kind) const;

  const std::vector<Body>& Bodies() const { return bodies.List(); }
  const std::vector<Node>& Nodes() const { return nodes.List(); }
  const std::vector<Force>& Forces() const { return forces.List(); }
  const std::vector<DofEntry>& Dofs() const { return dofList; }
  const std::vector<ExtForce>& ExtForces() const { return extForces.List(); }
  const std::vector<Outdisp>& Outdisps() const { return outdisps.List(); }
  const std::vector<Wheel>& Wheels() const { return wheels.List(); }
  const std::string& Log() const { return log; }

 private:
  bool ParseComponent(const std::vector<std::string>& words);
  bool ParseBody(const std::vector<std::string>& words);
  bool ParseNode(const std::vector<std::string>& words);
  bool ParseForce(const std::vector<std::string>& words);
  bool ParseNodePair(const std::vector<std::string>& words, NamedRecords<ExtForce>& records);
  bool ParseWheel(const std::vector<std::string>& words);

  std::string log;
  NamedRecords<Body> bodies;
  NamedRecords<Node> nodes;
  NamedRecords<Force> forces;
  std::vector<DofEntry> dofList;
  NamedRecords<ExtForce> extForces;
  NamedRecords<Outdisp> outdisps;
  NamedRecords<Wheel> wheels;
};
