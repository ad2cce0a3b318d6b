// An earlier installation of the same product: finding it below its uninstall key, deciding
// whether this package upgrades, reinstalls or downgrades it, and the questions and refusals
// that come with it. What is found goes into the run's state (package/run_state.hpp).
#pragma once

#include "core/string.hpp"
#include "format/install_script.hpp"

namespace valdorine {

// Reads the product's uninstall key (64-bit view): `InstallLocation`, else the value that
// `InstallPathKey` names, and `DisplayVersion`, `SharedFiles` and `ProductStartMenu`. The
// installation counts as existing when that folder exists.
void DetectExistingInstallation(const InstallScript& script);

enum class ExistingKind {
  kUnclassified,  // no comparison asked for, or a version is blank
  kUpgrade,       // the existing version is below the package's
  kReinstall,     // the same version
  kDowngrade,     // the existing version is above the package's
};
ExistingKind ClassifyExisting(bool compare_versions, const String& existing_version, const String& package_version);
// The language string that introduces the existing-installation question for `kind`.
int ExistingInstallationMessage(ExistingKind kind);

// The command that uninstalls the existing installation and then starts this installer again
// with its own command line: the uninstall command, " /r:\"", the command line with every double
// quote replaced by a backquote, and a closing double quote.
String UninstallAndRestartCommand(const String& uninstall_command, const String& own_command_line);

// For an existing installation: the MustUninstall branch, the downgrade refusal, the
// classification with its question and the old-version question. Ends the run where they say
// so; otherwise the existing location becomes the installation folder.
void ConfirmExistingInstallation(const InstallScript& script);

}  // namespace valdorine
