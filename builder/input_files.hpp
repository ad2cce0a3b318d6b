// The files a package carries: each source file with the entry it becomes, its size checked
// against the archive's limit before anything is written.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "format/file_entry.hpp"

namespace valdorine::builder {

struct InputFile {
  std::filesystem::path source;
  std::string name;  // the entry's name (UTF-8); empty: the source's file name
  std::optional<FileEntry> entry;  // the entry's other fields; none: a plain file of kind 0
};

struct PackedFile {
  std::filesystem::path source;
  FileEntry entry;  // without data
  uint32_t size = 0;
};

// Throws BuildError naming the file that is missing, not a regular file or larger than 1 GiB.
std::vector<PackedFile> CollectInputFiles(const std::vector<InputFile>& files);

// The modification time of a file as an entry date (UTC).
EntryDate EntryDateOf(const std::filesystem::path& file);

}  // namespace valdorine::builder
