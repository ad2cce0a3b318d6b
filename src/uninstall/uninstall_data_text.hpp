// The text of Uninstall.DAT, byte for byte: the uninstall list, then the sections "[Strings]",
// "[AutoClose]", "[Associations]", "[Firewall]", "[INF]", "[MSI]", "[Registry2]" and
// "[ConditionalDelete]", each after two empty lines. Lines end with CR LF. This module only turns
// records into text and back; gathering what goes in and the file itself are uninstall_data's work.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"
#include "format/install_script.hpp"

namespace valdorine {

// The numbers of the language strings that the uninstaller shows, in the order the file holds
// them; the text kept apart from the numbered table follows as number 999.
inline constexpr int kUninstallerStringNumbers[] = {10, 15, 20, 30, 34, 35, 49, 53, 55, 56, 57,
                                                    58, 59, 65, 67, 68, 69, 70, 71, 74, 79, 80,
                                                    99, 100, 101, 104, 107, 108, 109, 110, 111};
inline constexpr int kSpecialStringNumber = 999;

// The flag of an install script's AutoClose entry that the uninstaller applies too, and the flag
// of a conditional deletion that is carried out at uninstallation.

// The section texts that install operations add to while the installation runs; each line ends
// with CR LF. All are 8-bit except `registry2`, which is wide and stored as UTF-8.
struct UninstallSections {
  String associations;
  String firewall;
  String inf;
  String msi;
  String registry2;
};

// Everything one file holds, as the writer takes it.
struct UninstallDataContent {
  String uninstall_list;                    // 8-bit lines ending with CR LF
  Array<String> strings;                    // wide; one per kUninstallerStringNumbers entry, missing ones empty
  String special_string;                    // wide
  Array<AutoCloseEntry> auto_close;         // the entries for the uninstaller
  UninstallSections sections;
  Array<FileDeletion> conditional_deletes;  // the deletions for the uninstaller
};

// What the uninstaller reads back from the file.
struct UninstallRecords {
  Array<String> entries;              // uninstall-list lines as stored (8-bit)
  Array<int> string_numbers;          // [Strings]: each number read once, with its text (wide)
  Array<String> string_texts;
  bool has_special_string = false;
  String special_string;              // wide; entry 999
  Array<AutoCloseEntry> auto_close;   // shaped as the install script's entries, flag 0x2 set
  Array<Array<String>> associations;  // extension, ProgID, verb, icon
  Array<String> firewall;             // lines as stored
  Array<String> inf;
  Array<String> msi;
  String registry2;                   // 8-bit UTF-8, lines ending with CR LF
  Array<FileDeletion> conditional_deletes;  // pattern and value in the ANSI code page, as in the script
};

// The uninstall-list line for a wide path: the kind's mark ("~" folder, "!" registry value, "^"
// registry key, "*" registry key in the 64-bit view, none for a file), the path text, CR LF.
String UninstallListLine(const String& wide_path, int kind);

// One CSV field: inside double quotes (with inner quotes doubled) when it holds a comma, double
// quote, tab, CR, LF, ";" or "|", begins with a blank, "'" or "#", or ends with a blank.
String CsvField(const String& field);
// The fields of one CSV line (8-bit); quoted fields lose their quotes.
Array<String> SplitCsv(const String& line);

// An [Associations] record with an empty verb marks a class key that existed before the product's
// installation: the uninstaller keeps such a class instead of deleting it (one that predates the
// mark drops records without a verb). Its fourth field holds "D" when the class had a default
// value, and "E" when the mark's extension already named the class.
struct ExistingClassFacts {
  bool had_default = false;
  bool named_by_extension = false;
};
bool IsExistingClassMark(const Array<String>& association);
ExistingClassFacts ExistingClassFactsOf(const Array<String>& association);
// The mark's line (wide, without its line end).
String ExistingClassMarkLine(const String& extension, const String& class_name, ExistingClassFacts facts);

// The whole file.
String UninstallDataText(const UninstallDataContent& content);

// An upgrade's file keeps what the earlier installation recorded and the new run did not make:
// every uninstall-list entry and every line of [Associations], [Firewall], [INF], [MSI] and
// [Registry2] of `earlier` that `content` lacks is appended to it, so that a file the earlier
// version installed and the new one no longer contains is still removed at uninstallation. The
// texts, [AutoClose] and [ConditionalDelete] are the new installation's alone. A class that the new
// run found in place but the earlier installation made (it has records there and no mark) loses
// the new run's mark: the product created it.
void CarryEarlierRecords(const UninstallRecords& earlier, UninstallDataContent& content);

// Parses the text of an Uninstall.DAT file. Any text is accepted: records with the wrong number of
// fields, unreadable numbers and lines outside every section are dropped without a message.
UninstallRecords ReadUninstallData(const String& text);

}  // namespace valdorine
