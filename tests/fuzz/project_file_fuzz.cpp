// Fuzzes the project file reader: any text either reads or is refused with a BuildError. Inputs
// that could name absolute paths are skipped, so that the reader only ever looks into a folder
// that does not exist.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "build_error.hpp"
#include "project_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (text.find('/') != std::string_view::npos) return 0;
  try {
    valdorine::builder::ParseProject(text, "/nonexistent-fuzz-folder/project.toml");
  } catch (const valdorine::builder::BuildError&) {
  }
  return 0;
}
