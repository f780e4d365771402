#include "model/PairGeometry.h"

#include <cmath>
#include <string>

DofIndexTable::DofIndexTable(int bodyCount, const std::vector<DofEntry>& dofs)
    : xyr(static_cast<size_t>(bodyCount) * 3, -1) {
  const std::string kinds = "XYR";
  for (int i = 0; i < static_cast<int>(dofs.size()); ++i) {
    const size_t kind = kinds.find(dofs[i].kind);
    if (kind != std::string::npos) xyr[static_cast<size_t>(dofs[i].body) * 3 + kind] = i;
  }
}

int DofIndexTable::Index(int body, char kind) const {
  const size_t offset = kind == 'X' ? 0 : kind == 'Y' ? 1 : 2;
  return xyr[static_cast<size_t>(body) * 3 + offset];
}

// Node positions P1, P2 at the reference configuration; e = (P1 - P2) / |P1 - P2|
// points from the second node to the first. A small rotation r moves a node at
// offset (a, b) by (-b r, a r), so the distance grows by
//   g = (ex, ey, a1 ey - b1 ex) on body 1 and -(ex, ey, a2 ey - b2 ex) on body 2.
// When both nodes lie on one body their terms add up: a rigid body cannot
// change the distance between two of its own points by translating.
std::vector<PairTerm> PairGeometry(const std::vector<Body>& bodies, const std::vector<Node>& nodes,
                                   const DofIndexTable& table, int first, int second,
                                   PairFault& fault) {
  const Node& n1 = nodes[first];
  const Node& n2 = nodes[second];
  const Body& b1 = bodies[n1.body];
  const Body& b2 = bodies[n2.body];
  const double dx = (b1.centerX + n1.relX) - (b2.centerX + n2.relX);
  const double dy = (b1.centerY + n1.relY) - (b2.centerY + n2.relY);
  const double length = std::hypot(dx, dy);
  const double ex = dx / length;
  const double ey = dy / length;
  fault = PairFault::None;
  if (dx == 0.0 && dy == 0.0)
    fault = PairFault::Overlapping;
  else if (!std::isfinite(ex) || !std::isfinite(ey))
    fault = PairFault::NotFinite;
  std::vector<PairTerm> terms;
  if (fault != PairFault::None) return terms;

  const auto add = [&](int body, char kind, double weight) {
    const int dof = table.Index(body, kind);
    if (dof < 0) return;
    for (PairTerm& term : terms) {
      if (term.dof == dof) {
        term.weight += weight;
        return;
      }
    }
    terms.push_back(PairTerm{dof, weight});
  };
  add(n1.body, 'X', ex);
  add(n1.body, 'Y', ey);
  add(n1.body, 'R', n1.relX * ey - n1.relY * ex);
  add(n2.body, 'X', -ex);
  add(n2.body, 'Y', -ey);
  add(n2.body, 'R', -(n2.relX * ey - n2.relY * ex));
  return terms;
}
