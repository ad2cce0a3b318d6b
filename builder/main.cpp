// valdorine-build: turns a product's files into a setup executable, or inspects one.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "build_error.hpp"
#include "cli.hpp"
#include "default_stub.hpp"
#include "format/package_layout.hpp"
#include "inspect.hpp"
#include "output_file.hpp"
#include "package_writer.hpp"
#include "progress_line.hpp"
#include "project_build.hpp"
#include "test_script_writer.hpp"

namespace {

using namespace valdorine::builder;

// A project file gives the script, the files and the flags; without one, the files of the
// command line are packed with a minimal script. Without --stub the default stub is used.
void PrepareBuild(BuildCommand& command) {
  if (command.options.stub.empty()) {
    command.options.stub = DefaultStub();
    if (command.options.stub.empty()) {
      throw BuildError("no stub given and no ValdorineSetup.exe found beside the builder or in its build tree; "
                       "give one with --stub");
    }
  }
  if (command.project.empty()) {
    command.options.script = WriteTestScript(command.script);
    return;
  }
  const Project project = LoadProject(command.project, command.variables);
  for (const std::string& warning : project.warnings) std::cerr << "valdorine-build: warning: " << warning << "\n";
  if (command.werror && !project.warnings.empty()) {
    throw BuildError("--werror: " + std::to_string(project.warnings.size()) + " warning" +
                     (project.warnings.size() == 1 ? "" : "s") + " treated as errors; no setup written");
  }
  ApplyProject(project, command.options);
}

void ListFiles(const BuildOptions& options) {
  for (const InputFile& file : options.files) {
    std::cout << "  " << file.source.string();
    if (!file.name.empty()) std::cout << " -> " << file.name;
    std::cout << "\n";
  }
}

// "setup.exe: 3 files, 1048576 bytes in, 524288 bytes out (50%), 0.4 s"
void PrintSummary(const BuildCommand& command, const BuildSummary& built, double seconds) {
  const double ratio = built.input_bytes == 0 ? 100.0 : 100.0 * double(built.output_bytes) / double(built.input_bytes);
  std::printf("%s: %zu file%s, %llu bytes in, %llu bytes out (%.0f%%), %.1f s\n",
              command.options.output.string().c_str(), built.files, built.files == 1 ? "" : "s",
              static_cast<unsigned long long>(built.input_bytes), static_cast<unsigned long long>(built.output_bytes),
              ratio, seconds);
}

int RunBuild(BuildCommand& command) {
  const auto start = std::chrono::steady_clock::now();
  try {
    PrepareBuild(command);
    if (command.verbosity == Verbosity::kVerbose) ListFiles(command.options);
    std::optional<ProgressLine> progress;
    if (command.verbosity != Verbosity::kQuiet && IsTerminal(stderr)) {
      progress.emplace(stderr);
      command.options.progress = [&](const BuildProgress& now) { progress->Show(now); };
    }
    const BuildSummary built = BuildSetup(command.options);
    progress.reset();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (command.verbosity != Verbosity::kQuiet) PrintSummary(command, built, elapsed.count());
  } catch (const std::exception& error) {  // a BuildError, or the system's own failure
    std::cerr << "valdorine-build: " << error.what() << "\n";
    return 1;
  }
  return 0;
}

// The builder's version, and the default stub's with its place.
void PrintVersion() {
  std::cout << "valdorine-build " << valdorine::kBuilderVersion << "\n";
  const std::filesystem::path stub = DefaultStub();
  if (stub.empty()) {
    std::cout << "installer stub: none found beside the builder (give one with --stub)\n";
    return;
  }
  const std::string version = FileVersionOf(stub);
  std::cout << "installer stub " << (version.empty() ? "of unknown version" : version) << ": " << stub.string() << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  RemovePartialOutputOnInterrupt();
  Command command = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (auto* usage = std::get_if<UsageError>(&command)) {
    std::cerr << "valdorine-build: " << usage->message << "\n";
    return 2;
  }
  if (std::holds_alternative<HelpCommand>(command)) {
    std::cout << kUsage;
    return 0;
  }
  if (std::holds_alternative<VersionCommand>(command)) {
    PrintVersion();
    return 0;
  }
  if (auto* inspect = std::get_if<InspectCommand>(&command)) return InspectSetup(*inspect, std::cout);
  return RunBuild(std::get<BuildCommand>(command));
}
