#include "operations/uninstaller_file.hpp"

#include <windows.h>

#include "core/path_text.hpp"
#include "core/win32/safe_delete.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/temp_files.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/failure_summary.hpp"
#include "diagnostics/operations_log.hpp"
#include "format/script_options.hpp"
#include "operations/icon_resources.hpp"
#include "operations/installed_file_writer.hpp"
#include "package/uninstaller_image.hpp"
#include "run/installer_process.hpp"
#include "run/run_state.hpp"
#include "uninstall/deferred_operations.hpp"
#include "uninstall/uninstall_list.hpp"

namespace valdorine {
namespace {

void LogWritten(const String& path) {
  RecordUninstallEntry(path, uninstall_entry::kFile);
  LogConcatW(u"Uninstaller >>> ", path.Wide(), u"\r\n", nullptr);
}

void ReplaceIcon(const String& path, const String& icon) {
  switch (ReplaceProgramIcon(path, icon)) {
    case IconReplacement::kCannotOpen:
      LogText("Failed to open uninstaller for icon replacement.\r\n");
      break;
    case IconReplacement::kFailed:
      LogText("Failed to replace uninstaller icon.\r\n");
      break;
    case IconReplacement::kReplaced:
      break;
  }
}

void WriteImage(const InstallScript& script, const String& path) {
  const std::vector<uint8_t>& image = UninstallerImage();
  bool replaced_at_restart = false;
  if (!WriteInstalledFile(path, image.data(), image.size(), script.UninstallerTime, FailureSummary(), 0, true,
                          replaced_at_restart)) {
    return;
  }
  LogWritten(path);
  // A file waiting for the restart is a temporary copy elsewhere; the old uninstaller stays as it is.
  if (!script.UninstallerIcon.IsEmpty() && !replaced_at_restart) ReplaceIcon(path, script.UninstallerIcon);
}

bool CopyInstallerTo(const String& target) {
  return CopyFileW(WinText(Process().module_path), WinText(target), FALSE) != FALSE;
}

// A copy of the installer in a new temporary file beside `path`, or empty with the failure reported.
// The move at restart cannot cross volumes, so the temporary file stays in the uninstaller's folder.
String TemporaryCopyBeside(const String& path) {
  const String temporary = MakeTempName(ParentFolder(path), String(), temp_name::kKeepFolder);
  if (!temporary.IsEmpty() && CopyInstallerTo(temporary)) return temporary;
  const DWORD error = GetLastError();
  if (!temporary.IsEmpty()) DeleteFileAt(temporary);
  FailureSummary().AppendFormatWide(
      u"Failed to register '%s' for replacement because no temporary file could be created.\r\n%s\r\n\r\n",
      path.Wide(), SystemErrorText(error).Wide());
  return {};
}

// The old uninstaller cannot be overwritten: a copy beside it replaces it at the next restart.
void CopyForRestart(const String& path) {
  const String temporary = TemporaryCopyBeside(path);
  if (temporary.IsEmpty()) return;
  SetFileAttributesW(WinText(temporary), FILE_ATTRIBUTE_NORMAL);
  if (!ReplaceAtRestart(temporary, path)) {
    const DWORD error = GetLastError();
    FailureSummary().AppendFormatWide(u"Failed to register '%s' for replacement with temporary file '%s'\r\n%s\r\n\r\n",
                                      path.Wide(), temporary.Wide(), SystemErrorText(error).Wide());
    DeleteFileAt(temporary);
    return;
  }
  Run().options.word1 |= option1::kRestartAfterInstall;
  RecordUninstallEntry(path, uninstall_entry::kFile);
  LogFormatW(u"\"%s\" was successfully registered for replacement.\r\nTemporary file is \"%s\"\r\nReboot will be required.\r\n\r\n",
             path.Wide(), temporary.Wide());
}

void WriteCopy(const String& path) {
  if (CopyInstallerTo(path)) {
    LogWritten(path);
  } else {
    CopyForRestart(path);
  }
}

}  // namespace

void WriteUninstaller(const InstallScript& script, const String& path) {
  if ((Run().package_flags & package_flag::kUninstallerImage) != 0 && !UninstallerImage().empty()) {
    WriteImage(script, path);
  } else {
    WriteCopy(path);
  }
}

}  // namespace valdorine
