#include "operations/overwrite_decision.hpp"

#include <cstdlib>
#include <utility>

#include "core/string_format.hpp"
#include "core/version_compare.hpp"

namespace valdorine {
namespace {

constexpr char kBlanks[] = " \r\n\t";

bool HasCalendarDate(const EntryDate& date) { return date.month != 0; }
bool HasTimeOfDay(const EntryDate& date) { return date.hour >= 0; }
int SecondOfDay(const EntryDate& date) { return (date.hour * 60 + date.minute) * 60 + date.second; }
int Order(int a, int b) { return (a > b) - (a < b); }

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

OverwriteDecision Install(std::string log_text = {}) { return {true, std::move(log_text), false}; }

OverwriteDecision Skip(std::string log_text, const OverwriteQuestion& question, const ExistingFile& existing) {
  return {false, std::move(log_text), existing.exists && question.recorded_for_removal};
}

constexpr char kOutOfDate[] = " is out of date and will be replaced.\r\n";

// Kinds 1 and 4: an existing file at least as recent as the entry is kept.
OverwriteDecision DecideUnlessUpToDate(const OverwriteQuestion& question, const ExistingFile& existing) {
  if (question.entry_date.IsSet() && existing.date && CompareFileDates(*existing.date, question.entry_date) >= 0) {
    return Skip(" is up to date.\r\n", question, existing);
  }
  return Install(kOutOfDate);
}

// Kinds 6 to 9: the version decides first, then the date; both must be newer when both are known.
OverwriteDecision DecideOnlyIfNewer(const OverwriteQuestion& question, const ExistingFile& existing) {
  std::string reason;
  const std::string entry_version = Trimmed(question.entry_version);
  if (!entry_version.empty() && existing.version && !existing.version->empty()) {
    const std::string versions = "(" + entry_version + ") is ";
    if (CompareVersions(entry_version.c_str(), existing.version->c_str()) <= 0) {
      return Skip(" was not installed because its version " + versions + "not newer than " + *existing.version + "\r\n",
                  question, existing);
    }
    reason = "its version " + versions + "newer than " + *existing.version;
  }
  if (existing.date) {
    const std::string dates = "(" + FormatFileDate(question.entry_date) + ") is ";
    if (CompareFileDates(question.entry_date, *existing.date) <= 0) {
      return Skip(" was not installed because its date " + dates + "not newer than " + FormatFileDate(*existing.date) +
                      ".\r\n",
                  question, existing);
    }
    if (!reason.empty()) reason += " and ";
    reason += "its date " + dates + "newer than " + FormatFileDate(*existing.date);
  }
  return Install(reason.empty() ? std::string(kOutOfDate) : " needs replacement because " + reason + "\r\n");
}

// The overwrite modes that may skip before the kind's rule is looked at; nullopt goes on.
std::optional<OverwriteDecision> DecideByMode(const OverwriteQuestion& question, const ExistingFile& existing) {
  switch (question.mode) {
    case 2:
      if (!existing.exists) return Skip(" was not installed because it does not already exist.\r\n", question, existing);
      break;
    case 3:
      if (existing.exists) return Skip(" was not installed because it already exists.\r\n", question, existing);
      break;
    case 4:
      if (existing.exists && question.entry_date.IsSet() && existing.date &&
          CompareFileDates(*existing.date, question.entry_date) > 0) {
        return Skip(" was not installed because the existing file is newer.\r\n", question, existing);
      }
      break;
    default:
      break;
  }
  return std::nullopt;
}

}  // namespace

int CompareFileDates(const EntryDate& a, const EntryDate& b) {
  if (HasCalendarDate(a) != HasCalendarDate(b)) return HasCalendarDate(a) ? -1 : 1;
  if (int order = Order(a.year, b.year)) return order;
  if (int order = Order(a.month, b.month)) return order;
  if (int order = Order(a.day, b.day)) return order;
  if (HasTimeOfDay(a) != HasTimeOfDay(b)) return HasTimeOfDay(a) ? 1 : -1;
  const int difference = SecondOfDay(a) - SecondOfDay(b);
  return std::abs(difference) <= 1 ? 0 : Order(difference, 0);
}

std::string FormatFileDate(const EntryDate& date) {
  char text[80];
  FormatInto(text, sizeof text, "%d/%02d/%02d %02d:%02d:%02d", date.year, date.month, date.day, date.hour,
             date.minute, date.second);
  return text;
}

std::string NormalizedVersion(std::string version) {
  for (char& c : version) {
    if (c == ',') c = '.';
  }
  return Trimmed(version);
}

bool NeedsExistingDate(const OverwriteQuestion& question) {
  return question.mode == 4 || question.rule != ReplacementRule::kAlways;
}

bool NeedsExistingVersion(const OverwriteQuestion& question) {
  return question.rule == ReplacementRule::kOnlyIfNewer && !Trimmed(question.entry_version).empty();
}

OverwriteDecision DecideOverwrite(const OverwriteQuestion& question, const ExistingFile& existing) {
  if (auto by_mode = DecideByMode(question, existing)) return *std::move(by_mode);
  if (!existing.exists) return Install();
  switch (question.rule) {
    case ReplacementRule::kUnlessUpToDate:
      return DecideUnlessUpToDate(question, existing);
    case ReplacementRule::kOnlyIfNewer:
      return DecideOnlyIfNewer(question, existing);
    case ReplacementRule::kAlways:
      break;
  }
  return Install();
}

}  // namespace valdorine
