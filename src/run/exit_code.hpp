// The installer's exit code for an installation run. Every such run ends with 1, whatever its
// outcome, unless the command line asked for deployment codes (/exitcodes): then success, a needed
// restart, a cancellation and a failure give the codes that deployment tools and package managers
// read (those of Windows Installer).
#pragma once

namespace valdorine {

enum class RunOutcome {
  kCompleted,      // installed without failures
  kRestartNeeded,  // installed; a restart completes it (asked for, or files left for the restart)
  kCancelled,      // the user or a refused question stopped it
  kFailed,         // an error ended it, or operations failed
};

inline constexpr int kInstallationExitCode = 1;
inline constexpr int kDeploymentSuccess = 0;
inline constexpr int kDeploymentRestartRequired = 3010;
inline constexpr int kDeploymentUserCancelled = 1602;
inline constexpr int kDeploymentFailure = 1603;

int InstallationExitCode(RunOutcome outcome, bool deployment_codes);

}  // namespace valdorine
