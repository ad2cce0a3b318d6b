// Whether a file entry replaces the file found at its destination: the overwrite mode of the entry,
// then the replacement rule of its kind, with the log text that explains a skip or a replacement.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "format/file_entry.hpp"
#include "operations/entry_kinds.hpp"

namespace valdorine {

// Compares two calendar dates: a date without a calendar part (month 0) sorts after one with it;
// then year, month and day; then a date without a time of day (negative hour) sorts first; then
// the seconds within the day, where a difference of at most 1 second counts as equal. <0, 0, >0.
int CompareFileDates(const EntryDate& a, const EntryDate& b);

// "year/mm/dd hh:mm:ss" (UTF-8).
std::string FormatFileDate(const EntryDate& date);

// A version text as the rule compares it: commas become full stops, surrounding blanks go.
std::string NormalizedVersion(std::string version);

// What is known of the destination. The date and version are read only when a rule needs them.
struct ExistingFile {
  bool exists = false;                 // a file (not a folder) is present
  std::optional<EntryDate> date;       // its last-write time in UTC, when it could be read
  std::optional<std::string> version;  // its normalised FileVersion (UTF-8), when it has one
};

struct OverwriteQuestion {
  uint32_t mode = 0;                    // the entry's overwrite mode, 0 to 7
  ReplacementRule rule = ReplacementRule::kAlways;
  EntryDate entry_date;
  std::string entry_version;            // UTF-8; blank means none
  bool recorded_for_removal = false;    // the entry's kind is removed at uninstallation, not permanent
};

struct OverwriteDecision {
  bool install = false;
  // The log text that follows the destination path on its line, CR LF included (UTF-8); empty
  // when nothing is logged.
  std::string log_text;
  // A skipped entry whose existing file still belongs to the product for the uninstaller.
  bool record_existing = false;
};

// Whether the mode never installs (the entry is read, checked and passed over).
inline bool NeverInstalls(uint32_t mode) { return mode == 1 || mode == 5; }

// The decision for an entry whose mode may install. `existing` must carry the date for modes 4
// and the rules kUnlessUpToDate and kOnlyIfNewer, and the version for kOnlyIfNewer.
OverwriteDecision DecideOverwrite(const OverwriteQuestion& question, const ExistingFile& existing);

// Whether DecideOverwrite reads the existing file's date / version for this question.
bool NeedsExistingDate(const OverwriteQuestion& question);
bool NeedsExistingVersion(const OverwriteQuestion& question);

}  // namespace valdorine
