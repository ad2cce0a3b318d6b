// The readers of the project file's sections, each filling its part of the project. Shared by the
// modules that implement them; the project file module calls them in order.
#pragma once

#include "project_file.hpp"
#include "project_reader.hpp"

namespace valdorine::builder {

// [product], [install], [existing], [required_product], [uninstall], [portable], [build]
void ReadProductSettings(TableReader& root, Project& project);
// [ui], [finish], [notify], [batch], [taskbar_pin]
void ReadPresentation(TableReader& root, Project& project);
// [[shortcuts]], [registry], [[associations]], [[firewall]], [[conditional_delete]],
// [[autoclose]], [[uninstall_values]]
void ReadLists(TableReader& root, Project& project);
// [[files]]
void ReadFiles(TableReader& root, Project& project);
// [strings], [languages]
void ReadLanguages(TableReader& root, Project& project);

}  // namespace valdorine::builder
