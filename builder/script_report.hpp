// The install script and the file entries described for `inspect`: every field under the name the
// installer uses, texts decoded as the installer decodes them, file contents by size.
#pragma once

#include "format/file_entry.hpp"
#include "format/install_script.hpp"
#include "report.hpp"

namespace valdorine::builder {

Report DescribeScript(const InstallScript& script);
Report DescribeEntry(const FileEntry& entry);

}  // namespace valdorine::builder
