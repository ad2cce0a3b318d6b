// The command line of valdorine-build (see kUsage). Parsing only: the result says what to do, or
// why the arguments are refused.
#pragma once

#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "inspect.hpp"
#include "package_writer.hpp"
#include "project_variables.hpp"
#include "test_script_writer.hpp"

namespace valdorine::builder {

enum class Verbosity { kQuiet, kNormal, kVerbose };

struct BuildCommand {
  BuildOptions options;           // without the script; an empty stub means the default one
  TestScriptSettings script;
  std::filesystem::path project;  // a project file, which gives the script, the files and the flags
  Variables variables;            // -D name=value
  Verbosity verbosity = Verbosity::kNormal;
  bool werror = false;            // the project's warnings stop the build
};

using InspectCommand = InspectRequest;

struct HelpCommand {};
struct VersionCommand {};

struct UsageError {
  std::string message;
};

using Command = std::variant<BuildCommand, InspectCommand, HelpCommand, VersionCommand, UsageError>;

Command ParseCommandLine(const std::vector<std::string>& arguments);

extern const char kUsage[];

}  // namespace valdorine::builder
