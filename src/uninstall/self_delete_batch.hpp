// delunins.bat: removes the uninstaller and its emptied folders once the uninstaller process has
// ended, then itself.
#pragma once

namespace valdorine {

// Writes "delunins.bat" to the temporary folder and starts it hidden, without waiting. False when
// the file cannot be written.
bool WriteSelfDeleteBatch();

}  // namespace valdorine
