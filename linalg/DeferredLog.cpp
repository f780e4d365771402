#include "linalg/DeferredLog.h"

#include <sstream>
#include <utility>

DeferredLog& DeferredLog::operator<<(const std::string& text) {
  if (entries.empty() || entries.back().writer) entries.push_back(Entry{});
  entries.back().text += text;
  return *this;
}

DeferredLog& DeferredLog::operator<<(double value) {
  Defer([value](std::ostream& out) { out << value; });
  return *this;
}

DeferredLog& DeferredLog::operator<<(int value) {
  Defer([value](std::ostream& out) { out << value; });
  return *this;
}

void DeferredLog::Print(Snapshot matrix) {
  Defer([matrix = std::move(matrix)](std::ostream& out) { ::Print(out, *matrix); });
}

void DeferredLog::Defer(Writer writer) {
  if (entries.empty() || entries.back().writer) entries.push_back(Entry{});
  entries.back().writer = std::move(writer);
}

std::string DeferredLog::Text() const {
  std::ostringstream out;
  for (const Entry& entry : entries) {
    out << entry.text;
    if (entry.writer) entry.writer(out);
  }
  return out.str();
}
