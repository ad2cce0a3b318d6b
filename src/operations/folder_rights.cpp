#include "operations/folder_rights.hpp"

#include <windows.h>

#include "core/win32/everyone_access.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/system_errors.hpp"
#include "diagnostics/operations_log.hpp"
#include "format/script_options.hpp"
#include "run/run_state.hpp"

namespace valdorine {
namespace {

void GrantLogged(const String& folder) {
  LogConcatW(u"Granting rights to directory \"", folder.Wide(), u"\"...", nullptr);
  const uint32_t result = GrantFolderToEveryone(folder);
  if (result == ERROR_SUCCESS) {
    LogText("OK\r\n");
  } else {
    LogFormatW(u"FAILED code %d: %s\r\n\r\n", static_cast<int>(result), SystemErrorText(result).Wide());
  }
}

}  // namespace

uint32_t GrantFolderToEveryone(const String& folder) {
  if (!FolderExists(folder) || !ClearProtectiveAttributes(folder)) return ERROR_PATH_NOT_FOUND;
  return GrantEveryoneFullAccess(folder, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
}

void GrantFolderRights() {
  const RunState& run = Run();
  const uint32_t word2 = run.options.word2;
  if ((word2 & option2::kGrantInstallFolderRights) == 0) return;
  GrantLogged(run.install_dir);
  if ((word2 & option2::kGrantSharedFolderRights) != 0 && !run.shared_dir.IsEmpty()) GrantLogged(run.shared_dir);
}

}  // namespace valdorine
