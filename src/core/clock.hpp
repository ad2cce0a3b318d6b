// A clock for measuring intervals: milliseconds since an arbitrary start, never going back.
#pragma once

#include <cstdint>

namespace valdorine {

uint64_t MonotonicMilliseconds();

}  // namespace valdorine
