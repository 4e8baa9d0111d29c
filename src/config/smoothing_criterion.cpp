// Names of the smoothing criteria, both ways, and the values of
// SmoothingCriterion.
#include "config/smoothing_criterion.h"

#include <cmath>

#include "base/convert.h"

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

bool Blank(char c) { return c == ' ' || c == '\t'; }

// "EDF" and a finite real after blanks, "=" or both; the real as ParseReal
// reads a setting.
bool EdfTargetOf(const std::string& text, long double& k) {
  const std::string name = NameOfCriterion(Criterion::Edf);
  if (text.size() <= name.size() || !SameWord(text.substr(0, name.size()), name.c_str())) return false;
  std::size_t at = name.size();
  while (at < text.size() && Blank(text[at])) ++at;
  if (at < text.size() && text[at] == '=') ++at;
  if (at == name.size()) return false;  // "EDF12": no separator
  while (at < text.size() && Blank(text[at])) ++at;
  long double v;
  if (!base::ParseReal(text.substr(at), v) || !std::isfinite(v)) return false;
  k = v;
  return true;
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

bool CriterionOfText(const std::string& text, CriterionChoice& choice) {
  long double k;
  if (EdfTargetOf(text, k)) {
    choice = CriterionChoice{Criterion::Edf, k};
    return true;
  }
  Criterion kind;
  if (!CriterionOfName(text, kind) || kind == Criterion::Edf) return false;  // EDF needs its k
  choice = CriterionChoice{kind, 0};
  return true;
}

const char* NameOfCriterion(Criterion kind) {
  for (const CriterionSpec& c : kCriteria)
    if (c.Kind == kind) return c.Name;
  return kCriteria[0].Name;  // no other value is ever made; read as the residual's
}

}  // namespace config
