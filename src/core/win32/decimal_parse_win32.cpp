#include "core/decimal_parse.hpp"

// The system's msvcrt.dll converts. The mingw-w64 headers send strtod to a static conversion
// library of about 30 KB instead, so the DLL's function is named by its link name here, without
// those headers.
#define VALDORINE_TEXT_OF(x) #x
#define VALDORINE_LINK_NAME(prefix, name) VALDORINE_TEXT_OF(prefix) name
extern "C" double __cdecl SystemStrtod(const char* text, char** end) __asm__(VALDORINE_LINK_NAME(__USER_LABEL_PREFIX__, "strtod"));

namespace valdorine {

double ParseDecimal(const char* text) { return SystemStrtod(text, nullptr); }

}  // namespace valdorine
