// The degree-of-freedom list of the ComponentManager: the default order from
// the bodies, and the reordering by the names of the DOFS section.

#include <set>
#include <unordered_set>
#include <utility>

#include "model/ComponentManager.h"
#include "model/TextPrepass.h"

void ComponentManager::BuildDefaultDofList() {
  dofList.clear();
  for (int body = 0; body < static_cast<int>(Bodies().size()); ++body) {
    const std::string& dofs = Bodies()[body].dofs;
    if (dofs == "0") continue;
    for (char kind : dofs) dofList.push_back(DofEntry{body, kind});
  }
}

void ComponentManager::ApplyDofNames(const std::vector<std::string>& words) {
  const size_t count = words.size();
  const size_t total = dofList.size();
  if (total < count) {
    log += "Warning - Too much (" + std::to_string(count) +
           ") user defined DOF string! Duplicates and invalid ones will be removed!\n";
  } else if (count < total) {
    log += "Warning - Less (" + std::to_string(count) +
           ") user defined DOF string than total DOF of the system!\n";
  }

  std::vector<DofEntry> ordered;
  std::set<std::pair<int, char>> placed;
  std::unordered_set<std::string> seen;
  for (const std::string& word : words) {
    if (!seen.insert(word).second) {
      log += "Warning - Repeated user defined DOF string: " + QuotedExcerpt(word) + "!\n";
      continue;
    }
    const size_t length = word.size();
    if (length < 3 || word[length - 2] != '_' ||
        std::string("XYR").find(word[length - 1]) == std::string::npos) {
      log += "Warning - Invalid user defined DOF string " + QuotedExcerpt(word) + "!\n";
      continue;
    }
    // The body name may itself hold '_': only the last two characters are cut.
    const std::string bodyName = word.substr(0, length - 2);
    const char kind = word[length - 1];
    const int body = FindBody(bodyName);
    if (body >= static_cast<int>(Bodies().size())) {
      log += "Warning - Body " + QuotedExcerpt(bodyName) +
             " not found for user defined DOF string " + QuotedExcerpt(word) + "!\n";
      continue;
    }
    // A fixed body's "0" holds none of the letters.
    if (Bodies()[body].dofs.find(kind) == std::string::npos) {
      log += "Warning - Body " + QuotedExcerpt(bodyName) + " does not have the '" +
             std::string(1, kind) + "' DoF, defined DOF string " + QuotedExcerpt(word) + "!\n";
      continue;
    }
    ordered.push_back(DofEntry{body, kind});
    placed.insert({body, kind});
  }

  const size_t applied = ordered.size();
  const bool complete = applied == total;
  for (const DofEntry& dof : dofList) {
    if (placed.count({dof.body, dof.kind}) == 0) ordered.push_back(dof);
  }
  dofList = ordered;
  log += "Number of applied user defined DOF strings: " + std::to_string(applied) + "\n";
  log += "Number of removed user defined DOF strings: " + std::to_string(count - applied) + "\n";
  if (!complete) log += "The rest of the DOF list is in default order!\n";
}
