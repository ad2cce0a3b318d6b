#include "uninstall/self_delete_batch.hpp"

#include <windows.h>
#include <shellapi.h>

#include "core/file_errors.hpp"
#include "core/path_text.hpp"
#include "core/win32/disk_file.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/process_start.hpp"
#include "core/win32/safe_delete.hpp"
#include "core/win32/system_info.hpp"
#include "core/win32/temp_files.hpp"
#include "core/win32/win_text.hpp"
#include "paths/batch_files.hpp"
#include "paths/batch_text.hpp"

namespace valdorine {
namespace {

constexpr int kMaxSubfolderLines = 50;

// A subfolder that stays below the installation folder: relative, with no part made of dots only.
bool StaysBelow(const String& subfolder) {
  if (PathRootLength(subfolder) != 0) return false;
  bool only_dots = true;
  int part_length = 0;
  for (int i = 0; i <= subfolder.WideLength(); ++i) {
    const char16_t c = subfolder.WideAt(i);  // 0 past the end
    if (c == 0 || c == u'\\' || c == u'/') {
      if (part_length > 0 && only_dots) return false;
      only_dots = true;
      part_length = 0;
    } else {
      only_dots = only_dots && c == u'.';
      ++part_length;
    }
  }
  return true;
}

// The subfolder without leading and trailing separators.
String TrimmedSubfolder(const String& subfolder) {
  const int start = subfolder.FindFirstNotOf(u"\\/", 0);
  return start < 0 ? String() : WithoutTrailingSeparators(subfolder.Substring(start));
}

// A path as the batch names it: the command interpreter would read a percent sign as the start of
// a variable, so each one is doubled.
String BatchPath(const String& path) {
  String escaped = path;
  escaped.ReplaceAll(u"%", u"%%");
  return escaped;
}

void AppendSubfolderLines(String& text, const SelfDeleteTargets& targets) {
  String subfolder = TrimmedSubfolder(targets.uninstall_subdir);
  if (!StaysBelow(subfolder)) return;
  for (int lines = 0; !subfolder.IsEmpty() && lines < kMaxSubfolderLines; ++lines) {
    text.AppendFormatWide(u"rd \"%s\"\r\n", BatchPath(JoinPath(targets.install_dir, subfolder)).Wide());
    subfolder = ParentFolder(subfolder);
  }
}

// Starts the batch in the temporary folder: a current folder inside the installation folder could
// not be removed.
void StartBatch(const String& batch_path) {
  const String command =
      ConcatWide(u"\"", CommandInterpreterPath().Wide(), u"\" /c \"", ShortPath(batch_path).Wide(), u"\"", nullptr);
  if (StartProcess(command, TempFolder(), true)) return;
  ShellExecuteW(nullptr, L"open", WinText(batch_path), nullptr, WinText(TempFolder()), SW_HIDE);
}

}  // namespace

String SelfDeleteBatchText(const SelfDeleteTargets& targets, const String& batch_path) {
  const String uninstaller = BatchPath(targets.uninstaller);
  String text = String::FormatWide(u":Repeat\r\ndel \"%s\"\r\nif exist \"%s\" goto Repeat\r\n", uninstaller.Wide(),
                                   uninstaller.Wide());
  text.AppendWide(u"CHOICE /T 3 /D Y\r\n");
  AppendSubfolderLines(text, targets);
  text.AppendFormatWide(u"rd \"%s\"\r\n", BatchPath(targets.install_dir).Wide());
  text.AppendFormatWide(u"del \"%s\"\r\n", BatchPath(batch_path).Wide());
  return text;
}

bool WriteSelfDeleteBatch(const SelfDeleteTargets& targets, String* written_path) {
  // The temporary folder may be shared with other users (SYSTEM's is): a name nobody can guess,
  // created new, so that no file or link planted there is run as this process's user.
  const String batch_path = CreateUnpredictableFile(TempFolder(), u"delunins", u"bat");
  if (batch_path.IsEmpty()) return false;
  const String bytes = EncodedBatchText(SelfDeleteBatchText(targets, batch_path), ReadsUtf8Batches());
  if (WriteWholeFile(batch_path, bytes) != file_error::kSuccess) {
    DeleteFileAt(batch_path);
    return false;
  }
  if (written_path) *written_path = batch_path;
  StartBatch(batch_path);
  return true;
}

}  // namespace valdorine
