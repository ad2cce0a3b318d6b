// Path variables: the tokens such as "%InstallDir%" or "%ProgramsDir%" that the install script's
// paths and commands may contain, replaced by what they stand for on this machine right before
// each use. The tokens and their order are in paths/variable_tokens.hpp; the shell folders behind
// them in paths/folder_resolution.hpp.
#pragma once

#include <functional>

#include "core/string.hpp"
#include "format/install_script.hpp"
#include "paths/variable_tokens.hpp"

namespace valdorine {

// What the variables read of the product and of the run (all texts wide). The install sequence
// fills it as the run goes on (the uninstaller from the product's registered values); a value not
// set yet expands to an empty text ("0" for %Existing%). The install log reads the same record.
struct PathVariableSources {
  // Settings of the install script (PathVariableSourcesFrom).
  String product_name;         // %ProductName%
  String company_name;         // %CompanyName%: the publisher
  String version;              // %Version%: this package's product version
  bool product_64bit = false;  // `Bitness` 1: %ProgramsDir% and %CommonDir% are the 64-bit folders

  // State of the run.
  bool automatic_mode = false;  // %Automatic%; kept equal to the run-time switch
  bool portable = false;        // %Portable%
  String install_dir;           // %InstallDir%, without a trailing backslash
  String uninstall_dir;         // %UninstallDir%: the uninstall data folder, where Install.log lies
  String shared_dir;            // %SharedDir% (SharedFolderFor)
  String desktop_shortcuts;     // %DesktopShortcuts% (DesktopShortcutsFolder)
  String start_menu_chosen;     // %StartMenuChosen% (StartMenuChosenFolder)
  String old_version;           // %OldVersion%: the existing installation's DisplayVersion; empty for none
};

// The run's record, which ExpandVariables(String&) reads.
PathVariableSources& RunPathVariables();

// Copies the parts of the run's state that path variables and the install log read into the
// run's path-variable record, together with the current automatic mode.
void PublishRunState();

// The script's part of the record: product name, publisher, version (from the ANSI code page) and
// bitness; the run's state is left empty.
PathVariableSources PathVariableSourcesFrom(const InstallScript& script);

// Replaces every path-variable token of the wide `text` in place, row by row in table order, then
// the remaining environment references ("%SystemRoot%"); unknown references stay as written. Never
// fails: a value that cannot be determined is empty or its fallback.
void ExpandVariables(String& text);
void ExpandVariables(String& text, const PathVariableSources& sources);

// A path that the install script gives as UTF-8 text, with its variables expanded and, when it is
// relative, joined to `folder`.
String ExpandedScriptPath(const String& utf8_path, const String& folder);

// One variable's value, computed afresh (only the temporary folder is computed once per process).
String PathVariableValue(PathVariable variable, const PathVariableSources& sources);

// Every variable's name (without percent signs) and value, in table order: what batch files get
// as environment variables.
void ForEachPathVariable(const PathVariableSources& sources,
                         const std::function<void(const String& name, const String& value)>& visit);

// Values of the run's state, computed the one way the installer and the uninstaller share.
// %SharedDir%: for a portable installation with a `PortableSharedPath`, that subfolder of the
// installation folder; otherwise `SharedPath` made absolute (paths/path_completion.hpp) against the
// base that `SharedBase` selects: 1 the all users' application data, 2 the 32-bit and 3 the 64-bit
// Common Files folder, other values the Common Files folder of the product's bitness.
String SharedFolderFor(const InstallScript& script, const String& install_dir, bool portable);
// %DesktopShortcuts%: the all users' or the user's desktop, joined with the desktop folder's name.
String DesktopShortcutsFolder(bool all_users, const String& folder_name);
// %StartMenuChosen%: the all users' or the user's start-menu Programs folder, joined with the
// chosen start-menu folder.
String StartMenuChosenFolder(bool all_users, const String& folder_name);

}  // namespace valdorine
