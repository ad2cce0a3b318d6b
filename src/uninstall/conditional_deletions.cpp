#include "uninstall/conditional_deletions.hpp"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "core/path_text.hpp"
#include "core/version_compare.hpp"
#include "core/win32/file_search.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/failure_summary.hpp"
#include "diagnostics/operations_log.hpp"
#include "format/script_options.hpp"
#include "operations/file_version.hpp"
#include "package/package_failure.hpp"
#include "package/package_startup.hpp"
#include "paths/path_variables.hpp"
#include "run/run_state.hpp"
#include "uninstall/deferred_operations.hpp"

namespace valdorine {
namespace {

// Condition kinds 1-3 compare the file's version, 4-6 its size: equal, at least, at most.
constexpr int kFirstVersionKind = 1;
constexpr int kFirstSizeKind = 4;
constexpr int kLastKind = 6;

constexpr DWORD kClearedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The pattern as a full wide path: path variables expanded, a relative one below the installation
// folder.
String PatternPath(const FileDeletion& record) {
  String pattern = WidePathFromNarrow(record.pattern);
  ExpandVariables(pattern);
  return PathRootLength(pattern) == 0 ? JoinPath(Run().install_dir, pattern) : pattern;
}

// Whether a comparison's order (<0, 0, >0) meets the kind's relation.
bool RelationHolds(int kind, int order) {
  switch ((kind - 1) % 3) {
    case 0:
      return order == 0;
    case 1:
      return order >= 0;
    default:
      return order <= 0;
  }
}

bool IsVersionText(const String& text) {
  for (int i = 0; i < text.Length(); ++i) {
    if (text.NarrowAt(i) >= '0' && text.NarrowAt(i) <= '9') return true;
  }
  return false;
}

// The order of the file's version against the record's value. A value that is no version means a
// damaged package and ends the run. A file without a version meets no version condition.
std::optional<int> VersionOrder(const String& path, const String& value) {
  if (!IsVersionText(value)) FailPackage(PackageError::kDeletionVersion, Package());
  const std::optional<std::string> version = FileVersionText(path);
  if (!version) return std::nullopt;
  return CompareVersions(version->c_str(), value.Narrow());
}

int SizeOrder(uint64_t size, const String& value) {
  const int64_t limit = std::strtoll(value.Narrow(), nullptr, 10);
  const auto file_size = static_cast<int64_t>(size);
  return file_size < limit ? -1 : (file_size > limit ? 1 : 0);
}

bool ConditionHolds(const FileDeletion& record, const String& path, uint64_t size) {
  const int kind = static_cast<int8_t>(record.condition_kind);
  if (kind < kFirstVersionKind || kind > kLastKind) return true;
  if (kind >= kFirstSizeKind) return RelationHolds(kind, SizeOrder(size, record.condition_value));
  const std::optional<int> order = VersionOrder(path, record.condition_value);
  return order && RelationHolds(kind, *order);
}

void MarkRestartNeeded(bool installing) {
  if (installing) {
    Run().options.word1 |= option1::kRestartAfterInstall;
  } else {
    Run().options.word2 |= option2::kRestartAfterUninstall;
  }
}

// Registers the file for deletion at the restart; `now_failed` when deleting it now failed with
// `error`, otherwise it was not tried. False when the registration failed.
bool DeleteAfterRestart(const String& path, bool now_failed, DWORD error, bool installing) {
  if (installing) {
    const String error_text = now_failed ? SystemErrorText(error) : String::FromWide(u".");
    LogFormatW(u"File \"%s\" will be deleted after rebooting%s%s\r\n", path.Wide(), now_failed ? u": " : u"",
               error_text.Wide());
  }
  if (DeleteAtRestart(path)) {
    MarkRestartNeeded(installing);
    return true;
  }
  if (installing) {
    FailureSummary().AppendFormatWide(u"Failed to register \"%s\" for deletion: %s\r\n", path.Wide(),
                                      SystemErrorText(GetLastError()).Wide());
  }
  return false;
}

// Deletes one file whose condition holds, now or at the restart as the flags ask. False when it is
// neither deleted nor registered for deletion.
bool DeleteMatchingFile(const FileDeletion& record, const String& path, DWORD attributes, bool installing) {
  SetFileAttributesW(WinText(path), attributes & ~kClearedAttributes);
  DWORD error = 0;
  if (!(record.flags & deletion_flag::kOnlyAtRestart)) {
    if (DeleteFileW(WinText(path))) {
      if (installing) LogFormatW(u"Deleted file: %s\r\n", path.Wide());
      return true;
    }
    error = GetLastError();
  }
  if (record.flags & (deletion_flag::kOnlyAtRestart | deletion_flag::kAtRestartOnFailure)) {
    return DeleteAfterRestart(path, !(record.flags & deletion_flag::kOnlyAtRestart), error, installing);
  }
  if (installing) LogFormatW(u"Failed to delete file \"%s\": %s\r\n", path.Wide(), SystemErrorText(error).Wide());
  return false;
}

struct DeletionCounts {
  int processed = 0;  // files whose condition was evaluated
  int failures = 0;
};

DeletionCounts RunDeletion(const FileDeletion& record, bool installing) {
  DeletionCounts counts;
  for (const String& path : FindMatchingFiles(PatternPath(record))) {
    WIN32_FILE_ATTRIBUTE_DATA facts{};
    if (!GetFileAttributesExW(WinText(path), GetFileExInfoStandard, &facts)) continue;
    ++counts.processed;
    const uint64_t size = (uint64_t{facts.nFileSizeHigh} << 32) | facts.nFileSizeLow;
    if (!ConditionHolds(record, path, size)) continue;
    if (!DeleteMatchingFile(record, path, facts.dwFileAttributes, installing)) ++counts.failures;
  }
  return counts;
}

}  // namespace

void RunConditionalDeletions(Array<FileDeletion>& records, bool installing) {
  const uint8_t phase = installing ? deletion_flag::kWhenInstalling : deletion_flag::kWhenUninstalling;
  int processed = 0;
  for (int i = 0; i < records.Count();) {
    DeletionCounts counts;
    if (records[i].flags & phase) counts = RunDeletion(records[i], installing);
    processed += counts.processed;
    if (!installing && counts.failures == 0) {
      records.RemoveAt(i);
    } else {
      ++i;
    }
  }
  if (installing && processed > 0) LogText("\r\n");
}

}  // namespace valdorine
