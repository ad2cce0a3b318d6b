// The author's conditional deletions: files matching a pattern are deleted, now or at the next
// restart, when their version or size meets a condition.
#pragma once

#include "core/vector.hpp"
#include "format/install_script.hpp"

namespace valdorine {

// Performs the records whose phase bit (0x4 installing, 0x8 uninstalling) is set: each file that
// matches the pattern (relative ones below the installation folder) and meets the condition is
// deleted now or registered for deletion at the restart, which marks the run as needing one. A file
// without a version meets no version condition; a version condition whose value holds no digit
// means a damaged package and ends the run. Installing logs each file. When uninstalling, records
// that completed without failure are removed from `records`, so that only pending ones are written
// back to Uninstall.DAT.
void RunConditionalDeletions(Array<FileDeletion>& records, bool installing);

}  // namespace valdorine
