#include "vehicle/LineSections.h"

#include <sstream>

#include "model/TextPrepass.h"

bool SplitAfterSections(const std::string& cleanedText, std::string& before, std::string& after) {
  std::istringstream text(cleanedText);
  for (const char* keyword : {"ITER", "LIM", "SUBDIV", "BRKSYS", "RESIST", "ADHSET", "ADHTBL",
                              "HTIMPCT", "SETIDX", "WHLTMP"}) {
    if (FindKeyword(text, keyword).fail()) return false;
  }
  const std::streamoff end = text.eof() ? -1 : static_cast<std::streamoff>(text.tellg());
  const std::size_t split = end < 0 ? cleanedText.size() : static_cast<std::size_t>(end);
  before = cleanedText.substr(0, split);
  after = cleanedText.substr(split);
  return true;
}

bool TLineSections::ReadPar(const std::string& cleanedText, std::ostream& log) {
  std::string before;
  std::string after;
  SplitAfterSections(cleanedText, before, after);
  OptionalSections sections;
  if (!sections.Locate(before, after, log)) return false;
  // Every section is read, so that each one's problem is said at once.
  bool ok = Gradient.ReadPar(sections, log);
  ok = AdhLevel.ReadPar(sections, log) && ok;
  ok = BrkCyl.ReadPar(sections, log) && ok;
  ok = BrkHold.ReadPar(sections, log) && ok;
  ok = ReadSlideProtection(sections, log) && ok;
  ok = StartSpeed.ReadPar(sections, log) && ok;
  return ok;
}

// WSP 0 only, so far: the controller that WSP 1 switches on is not yet part
// of the program.
bool TLineSections::ReadSlideProtection(const OptionalSections& sections, std::ostream& log) {
  slideProtection = false;
  std::istringstream section;
  if (!sections.Open("WSP", section)) return true;
  std::string word;
  double value = 0.0;
  if (!ReadNumberWord(section, value, word) || value != 0.0) {
    log << "\nError - WSP " << QuotedExcerpt(word)
        << ": wheel slide protection is not yet available; WSP 0 is the only value accepted.\n";
    return false;
  }
  return NothingMoreRead(section, "WSP", log);
}

bool TLineSections::SetPar(const LineCoupling& line, const GravityStep& gravity, SparseMatrix& p,
                           SparseMatrix& p1, const std::vector<unsigned>& wheelDofIndices,
                           const std::vector<double>& brakeForceRadius, double timeStep,
                           std::ostream& log) {
  BrkHold.SetPar(p, wheelDofIndices, brakeForceRadius);
  BrkCyl.SetTimeStep(timeStep);
  bool ok = AdhLevel.SetPar(&line, wheelDofIndices.size(), log);
  ok = StartSpeed.SetPar(&line, log) && ok;
  ok = Gradient.SetPar(line, gravity, p, p1, log) && ok;
  return ok;
}

void TLineSections::Init(std::size_t axles, const std::vector<double>& initialState) {
  Gradient.Init(initialState);
  AdhLevel.Init(initialState);
  BrkCyl.Init(axles);
  BrkHold.Init(axles);
}

std::vector<std::string> TLineSections::ActiveSections() const {
  std::vector<std::string> active;
  if (Gradient.Active()) active.push_back("GRADIENT");
  if (AdhLevel.Active()) active.push_back("ADHLEVEL");
  if (BrkCyl.Active()) active.push_back("BRKCYL");
  if (BrkHold.Active()) active.push_back("BRKHOLD");
  if (slideProtection) active.push_back("WSP");
  if (StartSpeed.Active()) active.push_back("V0");
  return active;
}

bool ActiveOptionalSections(const std::string& modelText, std::vector<std::string>& active,
                            std::string& error) {
  active.clear();
  std::istringstream in(modelText);
  std::ostringstream cleaned;
  StripCommentsKeepBlank(in, cleaned);
  std::string before;
  std::string after;
  if (!SplitAfterSections(cleaned.str(), before, after)) return true;
  TLineSections sections;
  std::ostringstream log;
  if (!sections.ReadPar(cleaned.str(), log)) {
    error = log.str();
    return false;
  }
  active = sections.ActiveSections();
  return true;
}

std::string SectionList(const std::vector<std::string>& sections) {
  std::string list;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    if (i > 0) list += i + 1 == sections.size() ? " and " : ", ";
    list += sections[i];
  }
  return list;
}
