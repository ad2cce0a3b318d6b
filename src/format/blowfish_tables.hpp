// The initial P-array and S-boxes of Blowfish (digits of pi).
#pragma once

#include <cstdint>

namespace valdorine::blowfish_tables {

extern const uint32_t kInitialP[18];
extern const uint32_t kInitialS[4][256];

}  // namespace valdorine::blowfish_tables
