// Human-readable byte counts for messages and logs: "1023 bytes", "1.50 KB", "1.00 MB", ...
#pragma once

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

// Below 1024 bytes (and for negative counts) "%d bytes"; then "%.2f" with KB, MB or GB for counts
// below 1 MiB, 1 GiB and 1 TiB; TB beyond. The result is wide text.
String FormatSize(int64_t bytes);

}  // namespace valdorine
