// The smoothing criteria: how a run chooses the smoothing parameter p when
// none is given. Each criterion's value and its name stand in one table,
// from which the settings read SmoothingCriterion, the fit takes its kinds
// (spline/criterion.h) and the report writes the name.
#pragma once
#include <cstdint>
#include <string>

namespace config {

enum class Criterion : int32_t { Residual = 0, Ubre = 1, Gcv = 2, Edf = 3, Cv = 4 };

struct CriterionSpec {
  Criterion Kind;
  const char* Name;  // as written out; read in any case
};

// clang-format off
inline constexpr CriterionSpec kCriteria[] = {
  {Criterion::Residual, "residual"},  // the fit's own iteration: residual sum = number of points
  {Criterion::Ubre,     "UBRE"},      // least unbiased risk: errors are one-sigma values
  {Criterion::Gcv,      "GCV"},       // least generalised cross-validation: errors known up to a factor
  {Criterion::Edf,      "EDF"},       // the p whose edf is a given k (written "EDF k")
  {Criterion::Cv,       "CV"},        // least leave-one-out cross-validation
};
// clang-format on

// Every line stands at its criterion's value, so a name is found without a search.
constexpr bool CriteriaInOrder() {
  for (int32_t i = 0; i < static_cast<int32_t>(std::size(kCriteria)); ++i)
    if (static_cast<int32_t>(kCriteria[i].Kind) != i) return false;
  return true;
}
static_assert(CriteriaInOrder(), "kCriteria in the order of Criterion");

// The criterion NAME names, in any case (only a to z are folded); false for
// any other text, and `kind` is then left as it was.
bool CriterionOfName(const std::string& name, Criterion& kind);

// The criterion's name as written: "residual", "UBRE", "GCV", "EDF" or "CV".
const char* NameOfCriterion(Criterion kind);

// A value of SmoothingCriterion: a criterion's name in any case, EDF with
// its target k after blanks or "=" ("EDF 12", "edf=12.5", "Edf = 12"), with
// no blanks around the whole, as the settings' reader leaves a value. Whether 2 < k < n holds is known only with
// the data: the fit decides (spline/criterion.h).
struct CriterionChoice {
  Criterion Kind = Criterion::Residual;
  long double EdfTarget = 0;  // with EDF: the edf asked for
};
// False for any other text (EDF alone, or with no finite real after it),
// and `choice` is then left as it was.
bool CriterionOfText(const std::string& text, CriterionChoice& choice);

}  // namespace config
