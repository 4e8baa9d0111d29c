// The smoothing criteria: how a run chooses the smoothing parameter p when
// none is given. Each criterion's value and its name stand in one table,
// from which the settings read SmoothingCriterion, the fit takes its kinds
// (spline/criterion.h) and the report writes the name.
#pragma once
#include <cstdint>
#include <string>

namespace config {

enum class Criterion : int32_t { Residual = 0, Ubre = 1, Gcv = 2 };

struct CriterionSpec {
  Criterion Kind;
  const char* Name;  // as written out; read in any case
};

// clang-format off
inline constexpr CriterionSpec kCriteria[] = {
  {Criterion::Residual, "residual"},  // the fit's own iteration: residual sum = number of points
  {Criterion::Ubre,     "UBRE"},      // least unbiased risk: errors are one-sigma values
  {Criterion::Gcv,      "GCV"},       // least cross-validation: errors known up to a factor
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

// The criterion's name as written: "residual", "UBRE" or "GCV".
const char* NameOfCriterion(Criterion kind);

}  // namespace config
