// The project file: the product author's one source of truth, in TOML. Reading it yields the
// install script, the package flags, the files with their entries and the build options; every
// problem found is reported with the file, line and key, all of them at once.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/file_entry.hpp"
#include "format/install_script.hpp"
#include "format/package_layout.hpp"
#include "project_variables.hpp"

namespace valdorine::builder {

// One file of the package: where its bytes come from and the entry it becomes (without data; the
// date is the source's modification time).
struct ProjectFile {
  std::filesystem::path source;
  FileEntry entry;
};

// What the builder does with a symbolic link below a source folder: packs the file or folder it
// leads to, leaves it out, or refuses the project.
enum class LinkPolicy { kFollow, kSkip, kRefuse };

struct Project {
  InstallScript script;
  uint32_t package_flags = 0;
  std::vector<ProjectFile> files;
  std::optional<std::array<uint8_t, kCipherKeyLength>> cipher_key;
  uint32_t compression_level = 6;      // xz preset 0..9
  LinkPolicy links = LinkPolicy::kFollow;
  std::vector<std::string> warnings;   // worth telling the author, but not stopping the build
};

// Reads the project file, its texts' ${name} taken from `variables`. Throws BuildError listing
// every problem.
Project LoadProject(const std::filesystem::path& file, const Variables& variables = {});

// Reads a project from `text`, as if it were the file `file` (which names it in messages and is
// where relative paths start).
Project ParseProject(std::string_view text, const std::filesystem::path& file, const Variables& variables = {});

// The project's install script as the installer reads it. Throws BuildError when the script
// would be refused (which validation should have prevented).
std::vector<uint8_t> ProjectScriptBytes(const Project& project);

}  // namespace valdorine::builder
