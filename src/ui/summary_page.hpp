// The summary page: the last page of a successful installation, with up to four check boxes for
// what happens on exit (start the program, open the first file, open the second file, view the
// install log).
#pragma once

#include <cstdint>

namespace valdorine {

// The options ticked on the summary page; all off while the page has not been shown or when it
// was closed without OK.
struct SummaryChoices {
  bool open_file1 = false;
  bool launch_program = false;
  bool view_log = false;
  bool open_file2 = false;
};

// Runs the page modally; `offer_view_log` shows the view-log box. A page that cannot be created
// ends the run with a fatal message.
void ShowSummaryPage(bool offer_view_log);
SummaryChoices SummaryPageChoices();

// Where the shown boxes go, in dialog units: style 0 from the left at 12 and from the top at
// 64 + 7 * (4 - shown boxes); styles 1 and 3 at 98, 72; style 2 at 20, 98. Each box is 14 units
// below the previous one.
struct SummaryBoxPlacement {
  int left = 0;
  int first_top = 0;
};
SummaryBoxPlacement SummaryBoxesAt(uint32_t style, int shown_boxes);

}  // namespace valdorine
