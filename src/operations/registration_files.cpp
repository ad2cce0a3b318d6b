#include "operations/registration_files.hpp"

#include "core/win32/disk_file.hpp"
#include "format/script_options.hpp"
#include "run/run_state.hpp"
#include "ui/progress_window.hpp"
#include "uninstall/uninstall_list.hpp"

namespace valdorine {

void ShowRegistrationItem(const String& path) {
  if ((Run().options.word2 & option2::kHideFileNames) == 0) ShowProgressStatus(path);
}

int SaveRecordedFile(const String& path, const String& bytes) {
  const int result = WriteWholeFile(path, bytes);
  if (result == 0) RecordUninstallEntry(path, uninstall_entry::kFile);
  return result;
}

bool MakesUninstaller() { return (Run().options.word1 & option1::kProductRegistration) != 0; }

}  // namespace valdorine
