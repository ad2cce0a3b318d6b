#include "run/exit_code.hpp"

namespace valdorine {

int InstallationExitCode(RunOutcome outcome, bool deployment_codes) {
  if (!deployment_codes) return kInstallationExitCode;
  switch (outcome) {
    case RunOutcome::kCompleted: return kDeploymentSuccess;
    case RunOutcome::kRestartNeeded: return kDeploymentRestartRequired;
    case RunOutcome::kCancelled: return kDeploymentUserCancelled;
    case RunOutcome::kFailed: break;
  }
  return kDeploymentFailure;
}

}  // namespace valdorine
