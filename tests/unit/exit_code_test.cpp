// The installation's exit code: 1 for every outcome by default, the deployment codes on request.
#include "run/exit_code.hpp"

#include <gtest/gtest.h>

namespace valdorine {
namespace {

TEST(InstallationExitCode, DefaultIsOneAndDeploymentCodesTellOutcomesApart) {
  struct Case {
    RunOutcome outcome;
    int deployment;
  } cases[] = {
      {RunOutcome::kCompleted, 0},
      {RunOutcome::kRestartNeeded, 3010},
      {RunOutcome::kCancelled, 1602},
      {RunOutcome::kFailed, 1603},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(InstallationExitCode(c.outcome, false), 1);
    EXPECT_EQ(InstallationExitCode(c.outcome, true), c.deployment);
  }
}

}  // namespace
}  // namespace valdorine
