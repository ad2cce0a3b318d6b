#include "project_build.hpp"

namespace valdorine::builder {

void ApplyProject(const Project& project, BuildOptions& options) {
  options.script = ProjectScriptBytes(project);
  options.files.clear();
  for (const ProjectFile& file : project.files) options.files.push_back({file.source, file.entry.name, file.entry});
  options.cipher_key = project.cipher_key;
  options.archive_in_file = project.script.ArchiveInFile != 0;
  options.package_flags = project.package_flags;
  options.preset = project.compression_level;
}

}  // namespace valdorine::builder
