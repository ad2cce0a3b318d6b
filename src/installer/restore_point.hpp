// A system restore point around the installation: begun before anything is changed, committed
// at the end. The restore service lives in srclient.dll, which is loaded from the system folder
// only when a restore point is asked for.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// The restore point's description: the product name, and a blank and the version when there is one.
String RestorePointDescription(const String& product_name, const String& version);

// Begins the restore point; false with the system error set when it cannot be created.
bool BeginRestorePoint(const String& description);
// Ends the restore point begun before; false when it cannot be committed.
bool CommitRestorePoint();

}  // namespace valdorine
