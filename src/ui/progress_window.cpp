#include "ui/progress_window.hpp"

namespace valdorine {

PageResult ShowProgressPage() { return PageResult::kNotAvailable; }

SummaryChoices SummaryPageChoices() { return {}; }

// No progress or background window is ever opened yet, so there is nothing to close.
void CloseProgressPage() {}
void CloseInstallerWindows() {}
void SetProgressPosition(int) {}
void ShowProgressItem(const String&) {}
void ShowProgressStatus(const String&) {}

}  // namespace valdorine
