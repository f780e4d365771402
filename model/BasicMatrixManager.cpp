#include "model/BasicMatrixManager.h"

#include "model/PairGeometry.h"

namespace {

// Writes the pair's fault; true when it has none.
bool Report(PairFault fault, const std::string& name, DeferredLog& log) {
  if (fault == PairFault::Overlapping) {
    log << "Error - Two nodes are overlapping in '" << name << "'!\n";
  } else if (fault == PairFault::NotFinite) {
    log << "Error - The node positions of '" << name << "' are not finite numbers!\n";
  }
  return fault == PairFault::None;
}

void WriteNames(DeferredLog& log, const std::vector<ExtForce>& pairs) {
  for (const ExtForce& pair : pairs) log << pair.name << '\t';
  log << '\n';
}

// Column k of `mapping` (n x pairs) is g of pair k: the generalised force of a
// unit force pushing the two nodes apart, equally the elongation of the pair
// per unit generalised coordinate. False when a pair has no direction.
bool AssemblePairColumns(const std::vector<Body>& bodies, const std::vector<Node>& nodes,
                         const DofIndexTable& table, const std::vector<ExtForce>& pairs,
                         Matrix& mapping, DeferredLog& log) {
  bool ok = true;
  for (int k = 0; k < static_cast<int>(pairs.size()); ++k) {
    PairFault fault = PairFault::None;
    const std::vector<PairTerm> g =
        PairGeometry(bodies, nodes, table, pairs[k].firstNode, pairs[k].secondNode, fault);
    ok = Report(fault, pairs[k].name, log) && ok;
    for (const PairTerm& term : g) mapping[term.dof][k] = term.weight;
  }
  return ok;
}

}  // namespace

bool BasicMatrixManager::Build(const std::vector<Body>& bodies, const std::vector<Node>& nodes,
                               const std::vector<Force>& forces, const std::vector<DofEntry>& dofs,
                               const std::vector<ExtForce>& extForces,
                               const std::vector<Outdisp>& outdisps) {
  const int n = static_cast<int>(dofs.size());
  const DofIndexTable table(static_cast<int>(bodies.size()), dofs);

  log << "***** BasicMatrixManager Log *****\n"
      << "\n|Dof list\n"
      << n << "\n";
  for (const DofEntry& dof : dofs) log << DofName(bodies, dof) << '\t';
  log << "\n";

  // Mass: the body's mass for a translation, its inertia for the rotation.
  bool massOk = true;
  mass = Matrix(n, n, 0.0);
  for (int i = 0; i < n; ++i) {
    const Body& body = bodies[dofs[i].body];
    const char kind = dofs[i].kind;
    if (kind == 'X' || kind == 'Y') {
      mass[i][i] = body.mass;
    } else if (kind == 'R') {
      mass[i][i] = body.inertia;
    } else {
      log << "Error - Invalid DOF '" << DofName(bodies, dofs[i]) << "'!\n";
      massOk = false;
    }
  }
  log << "\n|Mass matrix\n";
  log.Print(DeferredLog::Keep(mass));

  // A spring k along the pair's line stores k (g.q)^2 / 2, so S = sum k g g^T;
  // the damper likewise gives D = sum c g g^T.
  bool forcesOk = true;
  stiffness = Matrix(n, n, 0.0);
  damping = Matrix(n, n, 0.0);
  for (const Force& force : forces) {
    PairFault fault = PairFault::None;
    const std::vector<PairTerm> g =
        PairGeometry(bodies, nodes, table, force.firstNode, force.secondNode, fault);
    if (!Report(fault, force.name, log)) {
      forcesOk = false;
      continue;
    }
    for (const PairTerm& s : g) {
      for (const PairTerm& t : g) {
        stiffness[s.dof][t.dof] += force.stiffness * s.weight * t.weight;
        damping[s.dof][t.dof] += force.damping * s.weight * t.weight;
      }
    }
  }
  log << "\n|Stiffness matrix\n";
  log.Print(DeferredLog::Keep(stiffness));
  log << "\n|Damping matrix\n";
  log.Print(DeferredLog::Keep(damping));

  extForceMapping = Matrix(n, static_cast<int>(extForces.size()), 0.0);
  const bool extForcesOk =
      AssemblePairColumns(bodies, nodes, table, extForces, extForceMapping, log);
  log << "\n|External Force mapping matrix\n";
  WriteNames(log, extForces);
  log.Print(DeferredLog::Keep(extForceMapping));

  Matrix outdispColumns(n, static_cast<int>(outdisps.size()), 0.0);
  const bool outdispsOk = AssemblePairColumns(bodies, nodes, table, outdisps, outdispColumns, log);
  outdispMapping = TNT::transpose(outdispColumns);
  log << "\n|Outbound Displacement mapping matrix\n";
  WriteNames(log, outdisps);
  log.Print(DeferredLog::Keep(outdispMapping));

  return massOk && forcesOk && extForcesOk && outdispsOk;
}

const Matrix& BasicMatrixManager::GetMatrix(char letter) const {
  static const Matrix empty;
  switch (letter) {
    case 'M':
      return mass;
    case 'S':
      return stiffness;
    case 'D':
      return damping;
    case 'E':
      return extForceMapping;
    case 'O':
      return outdispMapping;
    default:
      return empty;
  }
}
