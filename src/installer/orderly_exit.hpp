// The one way out of the installer: every path, fatal errors included, ends here.
#pragma once

namespace valdorine {

// Releases what the run holds (OLE) and ends the process with `exit_code`.
[[noreturn]] void OrderlyExit(int exit_code);

}  // namespace valdorine
