#include "operations/install_journal.hpp"

#include "core/file_errors.hpp"
#include "core/path_text.hpp"
#include "core/win32/disk_file.hpp"
#include "core/win32/safe_delete.hpp"
#include "format/entry_name_check.hpp"
#include "run/run_state.hpp"
#include "uninstall/uninstall_list.hpp"

namespace valdorine {
namespace {

constexpr char kFileMark = 'F';
constexpr char kFolderMark = 'D';
constexpr int64_t kMaxJournalBytes = 8 << 20;

DiskFile& Journal() {
  static DiskFile journal;
  return journal;
}

String JournalPath() {
  const String& folder = Run().uninstall_dir;
  return folder.IsEmpty() ? String() : JoinPath(folder, String::FromWide(u"Install.journal"));
}

// A path below `folder` whose remainder is a plain relative name (no "..", no device, no stream).
bool LiesInside(const String& path, const String& folder) {
  const int length = folder.WideLength();
  if (length == 0 || path.WideLength() <= length + 1 || path.WideAt(length) != u'\\' ||
      !EqualsIgnoreCase(path.Substring(0, length), folder)) {
    return false;
  }
  const String rest = NarrowFromWide(path.Substring(length + 1), code_page::kUtf8);
  return CheckEntryName({rest.Narrow(), static_cast<size_t>(rest.Length())}) == EntryNameFault::kNone;
}

// Enters the lines of the journal that `file` holds in the uninstall list.
void TakeOver(DiskFile& file) {
  const int64_t size = file.Size();
  String text;
  if (size <= 0 || size > kMaxJournalBytes || file.ReadAll(text) != file_error::kSuccess) return;
  const char* bytes = text.Narrow();
  int start = 0;
  for (int i = 0; i < text.Length(); ++i) {
    if (bytes[i] != '\n') continue;
    int kind = 0;
    String path;
    if (ParseJournalLine(String::FromNarrow(bytes + start, i - start), Run().install_dir, kind, path)) {
      RecordUninstallEntry(path, kind);
    }
    start = i + 1;
  }
}

}  // namespace

bool ParseJournalLine(const String& line, const String& install_dir, int& kind, String& path) {
  String text = line;
  text.TrimRightNarrow();
  if (text.Length() < 2 || (text.Narrow()[0] != kFileMark && text.Narrow()[0] != kFolderMark)) return false;
  kind = text.Narrow()[0] == kFileMark ? uninstall_entry::kFile : uninstall_entry::kFolder;
  path = WidePathFromNarrow(String::FromNarrow(text.Narrow() + 1));
  return LiesInside(path, install_dir);
}

void OpenInstallJournal() {
  const String path = JournalPath();
  if (path.IsEmpty()) return;
  DiskFile& journal = Journal();
  // The folder may be writable by others: a link in the journal's place is not followed.
  if (journal.Open(path, open_flag::kOpenOrCreate | open_flag::kWidePath | open_flag::kNoLinks) !=
      file_error::kSuccess) {
    return;
  }
  TakeOver(journal);
  // A line the kill cut short is ended, so that it stays apart from this run's first one.
  if (journal.SeekFromEnd(0) && journal.Tell() > 0) journal.Write("\r\n", 2);
}

void JournalEntry(const String& path, int kind) {
  DiskFile& journal = Journal();
  if (!journal.IsOpen()) return;
  String line = String::FromNarrow(kind == uninstall_entry::kFolder ? "D" : "F");
  line.Append(NarrowPath(path));
  line.AppendNarrow("\r\n");
  journal.Write(line.Bytes(), line.Length());
}

void DiscardInstallJournal() {
  Journal().Close();
  const String path = JournalPath();
  if (!path.IsEmpty()) DeleteFileAt(path);
}

}  // namespace valdorine
