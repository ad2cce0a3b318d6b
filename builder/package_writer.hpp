// Builds a setup executable: the stub with a `.setup` section holding the package header, the
// install script (scrambled, or encrypted with the author's key) and the archive of the input
// files (compressed in parallel, optionally encrypted), inside the section or after it, with every
// checksum filled in. Any failure throws BuildError and leaves no output behind.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "format/package_layout.hpp"
#include "input_files.hpp"

namespace valdorine::builder {

// How far the packing of the input files has got.
struct BuildProgress {
  size_t files_done = 0;
  size_t files = 0;
  uint64_t bytes_done = 0;
  uint64_t bytes = 0;
};

struct BuildOptions {
  std::filesystem::path stub;
  std::filesystem::path output;
  std::vector<InputFile> files;
  std::vector<uint8_t> script;  // the install script, uncompressed
  std::optional<std::array<uint8_t, kCipherKeyLength>> cipher_key;
  bool archive_in_file = false;  // must match the script's setting
  uint32_t package_flags = 0;    // the encryption bit is set from cipher_key
  uint32_t preset = 5;
  size_t block_size = 8 << 20;
  unsigned threads = 1;
  std::function<void(const BuildProgress&)> progress;  // called as the files are read; may be empty
};

// What a build packed, for its summary line.
struct BuildSummary {
  size_t files = 0;
  uint64_t input_bytes = 0;
  uint64_t output_bytes = 0;
};

BuildSummary BuildSetup(const BuildOptions& options);

}  // namespace valdorine::builder
