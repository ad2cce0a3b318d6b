#include "package/package_startup.hpp"

#include <vector>

#include "format/package_contents.hpp"
#include "package/install_script_setup.hpp"
#include "package/package_failure.hpp"
#include "package/self_check.hpp"
#include "run/installer_process.hpp"

namespace valdorine {
namespace {

InstallScript& MutableScript() {
  static InstallScript script;
  return script;
}

// The decompressed install script, kept until exit.
std::vector<uint8_t>& UnpackedScript() {
  static std::vector<uint8_t> script;
  return script;
}

}  // namespace

InstallPackage& Package() {
  static InstallPackage package;
  return package;
}

const InstallScript& Script() { return MutableScript(); }

PackageSettings ScriptPackageSettings(const InstallScript& script) {
  return {(script.ProductFlags.word1 & kScriptFlagCompressedArchive) != 0, script.ArchiveInFile != 0,
          script.Display.IntegrityMode};
}

void LoadInstallPackage() {
  InstallPackage& package = Package();
  RequirePackage(OpenPackage(Process().instance, Process().module_path, package), package);
  std::vector<uint8_t>& unpacked = UnpackedScript();
  RequirePackage(UnpackScript(package.view, unpacked), package);

  ScriptReadEnvironment environment = InstallerReadEnvironment();
  environment.after_appearance = [&](const InstallScript&) {
    return ErrorCode(CheckScriptChecksum(unpacked, package.view.header.script_key));
  };
  const int script_error = ReadScript(unpacked, MutableScript(), environment);
  RequirePackage(static_cast<PackageError>(script_error), package);

  RequirePackage(RunSelfCheck(package, ScriptPackageSettings(Script())), package);
}

void OpenInstallArchive(PackageArchive& archive) {
  InstallPackage& package = Package();
  RequirePackage(archive.Open(package, ScriptPackageSettings(Script())), package);
}

}  // namespace valdorine
