#include "package/install_script_setup.hpp"

#include "core/os_description.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/system_info.hpp"
#include "format/default_install_dir.hpp"
#include "package/language_strings.hpp"
#include "run/run_switches.hpp"

namespace valdorine {

ScriptReadEnvironment InstallerReadEnvironment() {
  ScriptReadEnvironment environment;
  environment.silent_mode = Switches().silent_mode;
  environment.product_name_override = Switches().product_name_override;
  environment.resolve_install_dir = ResolveDefaultInstallDir;
  return environment;
}

void ResolveDefaultInstallDir(InstallScript& script) {
  String dir = script.DefaultInstallDir;
  dir.ReplaceAll(u"<os>", SystemName().Wide());
  const int kind = script.Bitness == 1 ? folder_kind::k64Bit : folder_kind::k32Bit;
  script.DefaultInstallDir = AbsoluteInstallDir(dir, script.ProductName, ProgramFilesFolder(kind));
}

void ApplyInstallScript(const InstallScript& script) {
  RunSwitches& switches = Switches();
  switches.automatic_mode =
      AutomaticModeAfterScript(script.AutomaticMode, switches.automatic_mode, switches.silent_mode);
  UseLanguageTable(script.Languages, {script.ProductName, script.ProductDescription, SystemName()});
}

String SystemName() { return OsDescription(os_description::kShort | os_description::kNoServicePack); }

}  // namespace valdorine
