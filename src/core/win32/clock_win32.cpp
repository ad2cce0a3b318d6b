#include "core/clock.hpp"

#include <windows.h>

namespace valdorine {

uint64_t MonotonicMilliseconds() { return GetTickCount64(); }

}  // namespace valdorine
