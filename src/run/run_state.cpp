#include "run/run_state.hpp"

#include "run/installer_process.hpp"
#include "run/run_switches.hpp"

namespace valdorine {

RunState& Run() {
  static RunState state;
  return state;
}

InstallerProcess& Process() {
  static InstallerProcess process;
  return process;
}

RunSwitches& Switches() {
  static RunSwitches switches;
  return switches;
}

String ProgramFileName() {
  const String& path = Process().module_path;
  int start = path.WideLength();
  while (start > 0 && path.WideAt(start - 1) != u'\\' && path.WideAt(start - 1) != u'/') --start;
  return path.Substring(start);
}

}  // namespace valdorine
