#pragma once

// The linearised geometry of a pair of nodes: the first-order change of their
// distance per unit generalised coordinate.

#include <vector>

#include "model/Components.h"

// For every body, the positions of its X, Y and R freedoms in the DOF list
// (-1 where the body lacks one).
struct DofIndexTable {
  DofIndexTable(int bodyCount, const std::vector<DofEntry>& dofs);
  int Index(int body, char kind) const;

  std::vector<int> xyr;  // three per body
};

// One generalised coordinate touched by the pair and its weight g.
struct PairTerm {
  int dof = 0;
  double weight = 0.0;
};

// Why a pair has no direction: both nodes stand at the same point, or their
// coordinates overflow.
enum class PairFault { None, Overlapping, NotFinite };

// g of the pair (first, second) summed per DOF, in slot order x1 y1 r1 x2 y2 r2.
// Empty, with `fault` set, when the pair has no direction.
std::vector<PairTerm> PairGeometry(const std::vector<Body>& bodies, const std::vector<Node>& nodes,
                                   const DofIndexTable& table, int first, int second,
                                   PairFault& fault);
