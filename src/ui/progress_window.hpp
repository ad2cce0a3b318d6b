// The progress page, the summary page and the background window as the install sequence and the
// uninstaller use them.
//
// The windows do not exist yet: the progress page answers kNotAvailable and nothing is shown.
#pragma once

#include "core/string.hpp"
#include "ui/wizard_pages.hpp"

namespace valdorine {

// The progress page: shown for the installation work, closed before the install log is written.
PageResult ShowProgressPage();
void CloseProgressPage();
// The progress page's bar (0..100), its current item (a path or a language string) and its status
// line. Nothing is shown while the page is not open.
void SetProgressPosition(int percent);
void ShowProgressItem(const String& text);
void ShowProgressStatus(const String& text);

// The options ticked on the summary page; all off while the page has not been shown.
struct SummaryChoices {
  bool open_file1 = false;
  bool launch_program = false;
  bool view_log = false;
  bool open_file2 = false;
};
SummaryChoices SummaryPageChoices();

// Closes the progress and background windows that are open; the orderly exit calls it.
void CloseInstallerWindows();

}  // namespace valdorine
