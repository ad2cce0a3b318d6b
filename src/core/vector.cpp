#include "core/vector.hpp"

#include "core/fatal.hpp"

namespace valdorine {

void FatalIndexOutOfRange(const char* type_name, int index, int count) {
  Fatal("Vector<%s>[%d]\r\nmax_index = %d", type_name, index, count - 1);
}

}  // namespace valdorine
