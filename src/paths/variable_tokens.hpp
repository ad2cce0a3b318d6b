// The path variables' tokens ("%InstallDir%", "%ProgramsDir%", ...) in the fixed order in which
// they are applied, and the replacement of the tokens in a text. What each token stands for is
// computed on Windows (paths/path_variables.hpp); the order and the matching rules live here.
#pragma once

#include <functional>

#include "core/string.hpp"

namespace valdorine {

enum class PathVariable {
  kAppDataAllDir,
  kAppDataDir,
  kAutomatic,
  kBits,
  kBootDrive,
  kCommonDir,
  kCommonDir32,
  kCommonDir64,
  kDesktopAllDir,
  kDesktopDir,
  kDesktopShortcuts,
  kDeviceDir,
  kDocumentAllDir,
  kDocumentDir,
  kExisting,
  kFavoritesAllDir,
  kFavoritesDir,
  kFontDir,
  kInetpub,
  kInstallDir,
  kInstallDrive,
  kInstallerDir,
  kInstallerDrive,
  kInstallerFilename,
  kInstallerFilepath,
  kMediaDir,
  kOldVersion,
  kOldVersionMajor,
  kOldVersionMinor,
  kPortable,
  kProductName,
  kCompanyName,
  kProgramsDir,
  kProgramsDir32,
  kProgramsDir64,
  kSharedDir,
  kSMProgramsAllDir,
  kSMProgramsDir,
  kStartMenuAllDir,
  kStartMenuChosen,
  kStartMenuDir,
  kStartupAllDir,
  kStartupDir,
  kSystemDir,
  kTemp,
  kUninstallDir,
  kVersion,
  kWinDir,
  kOS,
  kOSMajor,
  kOSMinor,
  kOSName,
  kOSDescription,
  kOSServer,
};

struct PathVariableToken {
  PathVariable variable;
  const char16_t* token;  // with its percent signs
  bool exact_case;        // matched exactly as spelled; the others ignore case
};

// Every path variable, in the order in which the expansion applies them.
extern const PathVariableToken kPathVariableTokens[54];

// The variable's name without the percent signs ("InstallDir"), as batch files know it.
String PathVariableName(const PathVariableToken& token);

// Replaces the tokens in the wide `text`, row by row in table order: every occurrence of a row's
// token, scanning the whole text from its start, becomes `value_of(variable)`. A value inserted by
// one row is subject to the later rows but not to the earlier ones. `value_of` is asked only for
// the tokens that occur.
void ReplacePathVariableTokens(String& text, const std::function<String(PathVariable)>& value_of);

}  // namespace valdorine
