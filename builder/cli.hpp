// The command line of valdorine-build:
//   valdorine-build build PROJECT.toml --stub STUB -o OUT [--threads N] [--block-size BYTES]
//   valdorine-build build --stub STUB --out OUT [options] FILE[=NAME]...
//   valdorine-build inspect SETUP [--entries] [--json] [--uninstaller-image OUT]
// Parsing only: the result says what to do, or why the arguments are refused.
#pragma once

#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "inspect.hpp"
#include "package_writer.hpp"
#include "test_script_writer.hpp"

namespace valdorine::builder {

struct BuildCommand {
  BuildOptions options;           // without the script
  TestScriptSettings script;
  std::filesystem::path project;  // a project file, which gives the script, the files and the flags
};

using InspectCommand = InspectRequest;

struct UsageError {
  std::string message;
};

using Command = std::variant<BuildCommand, InspectCommand, UsageError>;

Command ParseCommandLine(const std::vector<std::string>& arguments);

extern const char kUsage[];

}  // namespace valdorine::builder
