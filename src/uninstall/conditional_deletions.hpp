// The author's conditional deletions: files matching a pattern are deleted, now or at the next
// restart, when their version or size meets a condition.
#pragma once

#include "core/vector.hpp"
#include "format/install_script.hpp"

namespace valdorine {

// Performs the records whose phase bit (0x4 installing, 0x8 uninstalling) is set. When
// uninstalling, records that completed without failure are removed from `records`, so that only
// pending ones are written back to Uninstall.DAT.
void RunConditionalDeletions(Array<FileDeletion>& records, bool installing);

}  // namespace valdorine
