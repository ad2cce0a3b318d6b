#include "package/run_state.hpp"

#include "package/run_switches.hpp"
#include "paths/path_variables.hpp"

namespace valdorine {

RunState& Run() {
  static RunState state;
  return state;
}

void PublishRunState() {
  const RunState& run = Run();
  PathVariableSources& sources = RunPathVariables();
  sources.automatic_mode = Switches().automatic_mode;
  sources.portable = run.portable;
  sources.install_dir = run.install_dir;
  sources.uninstall_dir = run.uninstall_dir;
  sources.shared_dir = run.shared_dir;
  sources.old_version = run.existing_version;
}

}  // namespace valdorine
