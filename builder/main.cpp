// valdorine-build: turns a product's files into a setup executable, or inspects one.
#include <cstdio>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "build_error.hpp"
#include "cli.hpp"
#include "inspect.hpp"
#include "package_writer.hpp"
#include "project_build.hpp"
#include "test_script_writer.hpp"

namespace {

using namespace valdorine::builder;

// A project file gives the script, the files and the flags; without one, the files of the
// command line are packed with a minimal script.
void PrepareBuild(BuildCommand& command) {
  if (command.project.empty()) {
    command.options.script = WriteTestScript(command.script);
    return;
  }
  const Project project = LoadProject(command.project);
  for (const std::string& warning : project.warnings) std::cerr << "valdorine-build: warning: " << warning << "\n";
  ApplyProject(project, command.options);
}

int RunBuild(BuildCommand& command) {
  try {
    PrepareBuild(command);
    BuildSetup(command.options);
  } catch (const std::exception& error) {  // a BuildError, or the system's own failure
    std::cerr << "valdorine-build: " << error.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Command command = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (auto* usage = std::get_if<UsageError>(&command)) {
    std::cerr << "valdorine-build: " << usage->message << "\n" << kUsage;
    return 2;
  }
  if (auto* inspect = std::get_if<InspectCommand>(&command)) {
    return InspectSetup(*inspect, std::cout);
  }
  return RunBuild(std::get<BuildCommand>(command));
}
