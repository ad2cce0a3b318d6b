#include "operations/install_collections.hpp"

namespace valdorine {

InstallCollections& Collections() {
  static InstallCollections collections;
  return collections;
}

}  // namespace valdorine
