// Test support: what the open operations log holds so far, read through a copy (the log itself is
// opened without sharing).
#pragma once

#include <windows.h>

#include <string>

#include "core/win32/disk_file.hpp"
#include "core/win32/temp_files.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/operations_log.hpp"
#include "scratch_folder.hpp"

namespace valdorine::testing {

// The log's UTF-8 text; empty when it is not open.
inline std::string OperationsLogContents() {
  const String copy_path = JoinPath(TempFolder(), W(u"valdorine-operations-log-copy.txt"));
  DiskFile copy;
  if (copy.Open(copy_path, open_flag::kCreateOrTruncate | open_flag::kWidePath) != 0) return {};
  CopyOperationsLog(copy);
  copy.Close();
  const std::string text = ReadBytes(copy_path);
  DeleteFileW(WinText(copy_path));
  return text;
}

}  // namespace valdorine::testing
