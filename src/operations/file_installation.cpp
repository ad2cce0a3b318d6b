#include "operations/file_installation.hpp"

namespace valdorine {

void InstallFileEntry(const FileEntry&) {}

}  // namespace valdorine
