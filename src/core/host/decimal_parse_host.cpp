#include "core/decimal_parse.hpp"

#include <cstdlib>

namespace valdorine {

double ParseDecimal(const char* text) { return std::strtod(text, nullptr); }

}  // namespace valdorine
