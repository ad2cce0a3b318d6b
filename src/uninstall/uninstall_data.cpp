// Gathering the contents of Uninstall.DAT from the run and writing the file.
#include "uninstall/uninstall_data.hpp"

#include <windows.h>

#include "core/file_errors.hpp"
#include "core/win32/disk_file.hpp"
#include "diagnostics/operations_log.hpp"
#include "package/language_strings.hpp"
#include "package/package_startup.hpp"
#include "run/run_state.hpp"
#include "uninstall/uninstall_data_digest.hpp"
#include "uninstall/uninstall_list.hpp"

namespace valdorine {
namespace {

// The language string that, when not empty, replaces the script's window title in the file.
constexpr int kWindowTitleString = 114;

template <typename Entry>
Array<Entry> WithFlag(const Array<Entry>& entries, uint8_t flag) {
  Array<Entry> chosen;
  for (const Entry& entry : entries) {
    if (entry.flags & flag) chosen.Append(entry);
  }
  return chosen;
}

// The texts of kUninstallerStringNumbers, each produced by `text_of(number)`.
template <typename TextOf>
Array<String> UninstallerStrings(TextOf text_of) {
  Array<String> texts;
  for (const int number : kUninstallerStringNumbers) texts.Append(text_of(number));
  return texts;
}

UninstallDataContent InstallationContent(const InstallScript& script) {
  String window_title = LanguageString(kWindowTitleString);
  if (window_title.IsEmpty()) window_title = script.WindowTitle;
  return {UninstallListText(),
          UninstallerStrings(LanguageString),
          window_title,
          WithFlag(script.AutoClose, kAutoCloseForUninstaller),
          CollectedUninstallSections(),
          WithFlag(script.ConditionalDeletes, deletion_flag::kWhenUninstalling)};
}

String KeptString(const UninstallRecords& kept, int number) {
  for (int i = 0; i < kept.string_numbers.Count(); ++i) {
    if (kept.string_numbers[i] == number) return kept.string_texts[i];
  }
  return {};
}

UninstallDataContent RewriteContent(const UninstallRecords& kept) {
  return {UninstallListText(),
          UninstallerStrings([&kept](int number) { return KeptString(kept, number); }),
          kept.special_string,
          kept.auto_close,
          CollectedUninstallSections(),
          kept.conditional_deletes};
}

bool WriteUninstallFile(const UninstallDataContent& content, String* written) {
  const String path = UninstallDataPath();
  if (path.IsEmpty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  SetLastError(ERROR_SUCCESS);
  const String text = UninstallDataText(content);
  // The folder may be writable by others: a link in the file's place is replaced, not followed.
  const int code = WriteWholeFile(path, text, open_flag::kNoLinks);
  if (code == file_error::kSuccess) {
    if (written) *written = text;
    return true;
  }
  if (GetLastError() == ERROR_SUCCESS) SetLastError(static_cast<DWORD>(code));
  return false;
}

// Over an existing installation, the records of its Uninstall.DAT that this run did not make. Only
// a file whose digest the earlier installation's uninstall key holds is trusted: the folder may be
// writable by users who must not choose what a later uninstall removes.
void CarryTrustedEarlierRecords(UninstallDataContent& content) {
  String earlier;
  if (!Run().existing_installation || ReadWholeFile(UninstallDataPath(), earlier) != file_error::kSuccess) return;
  if (!MatchesDigest(Run().existing_data_digest, earlier)) {
    LogConcatW(u"The earlier uninstall information does not match its recorded digest; none of it is kept: ",
               UninstallDataPath().Wide(), u"\r\n", nullptr);
    return;
  }
  CarryEarlierRecords(ReadUninstallData(earlier), content);
}

}  // namespace

UninstallSections& CollectedUninstallSections() {
  static UninstallSections sections;
  return sections;
}

String UninstallDataPath() {
  const String& folder = Run().uninstall_dir;
  // Before the uninstall data folder is known there is no file: a bare name would land in
  // whatever the current folder is.
  if (folder.IsEmpty()) return {};
  return JoinPath(folder, String::FromWide(u"Uninstall.DAT"));
}

bool WriteUninstallData(String* written) {
  UninstallDataContent content = InstallationContent(Script());
  CarryTrustedEarlierRecords(content);
  return WriteUninstallFile(content, written);
}

bool WriteUninstallData(const UninstallRecords& kept, String* written) {
  return WriteUninstallFile(RewriteContent(kept), written);
}

}  // namespace valdorine
