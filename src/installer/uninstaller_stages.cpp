#include "installer/uninstaller_stages.hpp"

#include "ui/progress_window.hpp"

namespace valdorine {
namespace {

constexpr uint32_t kStagePauseMs = 700;

}  // namespace

void BeginStage(int status_string, int percent) {
  SetStatus(status_string);
  SetProgress(percent);
}

void PauseForStage() { WaitStage(kStagePauseMs); }

}  // namespace valdorine
