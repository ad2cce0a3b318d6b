// What a project contributes to a build: the install script, the files with their entries, the
// package flags and the package options.
#pragma once

#include "package_writer.hpp"
#include "project_file.hpp"

namespace valdorine::builder {

// Fills everything in `options` but the stub, the output and the threads.
void ApplyProject(const Project& project, BuildOptions& options);

}  // namespace valdorine::builder
