#pragma once
// The parts of the settings guess shared by its files: the setters of a field's kind, and what
// the catalogue's conditions ask of a column.
#include "base/StringList.h"
#include "uCheckReader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TCustomFillField;
class TFillProject;
class TTextFillField;

namespace guess_detail {

void setList(TCustomFillField& f, const kvl::TStringList& values);
void setMask(TTextFillField& f, const std::string& mask);
void setRandomText(TTextFillField& f);

// The conditions of the checks on one column; its lower and upper bounds taken together.
std::vector<TColumnCondition> conditionsOn(const std::vector<std::string>& checks, const std::string& column);
// The field's settings narrowed to what its type's rules, its domain's checks and its table's
// checks allow.
void applyRules(TFillProject& project, TCustomFillField& f);
std::optional<long double> numberOf(const std::optional<TCheckBound>& bound);
std::optional<int32_t> wholeBound(std::optional<long double> v, bool inclusive, bool isLow);

} // namespace guess_detail
