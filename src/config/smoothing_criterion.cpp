// Names of the smoothing criteria, both ways.
#include "config/smoothing_criterion.h"

namespace config {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The same letters, whatever their case (as the settings compare words).
bool SameWord(const std::string& text, const char* name) {
  std::size_t i = 0;
  for (; i < text.size() && name[i] != '\0'; ++i)
    if (Upper(text[i]) != Upper(name[i])) return false;
  return i == text.size() && name[i] == '\0';
}

}  // namespace

bool CriterionOfName(const std::string& name, Criterion& kind) {
  for (const CriterionSpec& c : kCriteria)
    if (SameWord(name, c.Name)) {
      kind = c.Kind;
      return true;
    }
  return false;
}

const char* NameOfCriterion(Criterion kind) {
  for (const CriterionSpec& c : kCriteria)
    if (c.Kind == kind) return c.Name;
  return kCriteria[0].Name;  // no other value is ever made; read as the residual's
}

}  // namespace config
