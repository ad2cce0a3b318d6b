// The uninstaller's stages on the progress page: a status text and a percentage each, and the
// short pause that keeps a stage visible long enough to be read.
#pragma once

namespace valdorine {

// Shows language string `status_string` as the status and moves the bar to `percent`; the stage's
// pause is measured from here.
void BeginStage(int status_string, int percent);

// Unless in automatic mode, handles window messages in steps of 50 ms until 700 ms have passed
// since the current stage's status was set.
void PauseForStage();

}  // namespace valdorine
