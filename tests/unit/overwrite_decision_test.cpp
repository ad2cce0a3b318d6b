#include "operations/overwrite_decision.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace valdorine {
namespace {

constexpr EntryDate kEntryDate{2024, 5, 10, 12, 0, 0};

// The entry's date moved by `seconds` within the same day.
EntryDate Shifted(int seconds) {
  const int second_of_day = (kEntryDate.hour * 60 + kEntryDate.minute) * 60 + kEntryDate.second + seconds;
  EntryDate date = kEntryDate;
  date.hour = second_of_day / 3600;
  date.minute = second_of_day / 60 % 60;
  date.second = second_of_day % 60;
  return date;
}

// The destination as the cases see it: absent, or present with a date relative to the entry's.
enum class Present { kAbsent, kNewer, kOlder, kOneSecondLater, kOneSecondEarlier };

ExistingFile Existing(Present present) {
  switch (present) {
    case Present::kAbsent: return {};
    case Present::kNewer: return {true, Shifted(3600), std::nullopt};
    case Present::kOlder: return {true, Shifted(-3600), std::nullopt};
    case Present::kOneSecondLater: return {true, Shifted(1), std::nullopt};
    case Present::kOneSecondEarlier: return {true, Shifted(-1), std::nullopt};
  }
  return {};
}

constexpr char kInstallSilently[] = "";
constexpr char kNotExisting[] = " was not installed because it does not already exist.\r\n";
constexpr char kExists[] = " was not installed because it already exists.\r\n";
constexpr char kExistingNewer[] = " was not installed because the existing file is newer.\r\n";
constexpr char kUpToDate[] = " is up to date.\r\n";
constexpr char kOutOfDate[] = " is out of date and will be replaced.\r\n";
constexpr char kDateNotNewerThanNewer[] =
    " was not installed because its date (2024/05/10 12:00:00) is not newer than 2024/05/10 13:00:00.\r\n";
constexpr char kDateNotNewerThanLater[] =
    " was not installed because its date (2024/05/10 12:00:00) is not newer than 2024/05/10 12:00:01.\r\n";
constexpr char kDateNotNewerThanEarlier[] =
    " was not installed because its date (2024/05/10 12:00:00) is not newer than 2024/05/10 11:59:59.\r\n";
constexpr char kDateNewer[] = " needs replacement because its date (2024/05/10 12:00:00) is newer than 2024/05/10 11:00:00\r\n";

struct ModeCase {
  uint32_t mode;
  ReplacementRule rule;
  Present present;
  bool install;
  const char* log_text;
};

TEST(DecideOverwrite, ModesAndReplacementRulesAgainstTheExistingFile) {
  using R = ReplacementRule;
  using P = Present;
  const ModeCase cases[] = {
      // Mode 0 (and 6, 7): the kind's rule alone.
      {0, R::kAlways, P::kAbsent, true, kInstallSilently},
      {0, R::kAlways, P::kNewer, true, kInstallSilently},
      {7, R::kAlways, P::kOlder, true, kInstallSilently},
      {0, R::kUnlessUpToDate, P::kAbsent, true, kInstallSilently},
      {0, R::kUnlessUpToDate, P::kNewer, false, kUpToDate},
      {0, R::kUnlessUpToDate, P::kOneSecondEarlier, false, kUpToDate},
      {6, R::kUnlessUpToDate, P::kOneSecondLater, false, kUpToDate},
      {0, R::kUnlessUpToDate, P::kOlder, true, kOutOfDate},
      {0, R::kOnlyIfNewer, P::kAbsent, true, kInstallSilently},
      {0, R::kOnlyIfNewer, P::kNewer, false, kDateNotNewerThanNewer},
      {0, R::kOnlyIfNewer, P::kOneSecondLater, false, kDateNotNewerThanLater},
      {0, R::kOnlyIfNewer, P::kOneSecondEarlier, false, kDateNotNewerThanEarlier},
      {0, R::kOnlyIfNewer, P::kOlder, true, kDateNewer},
      // Mode 2: only over an existing file, which the kind's rule then judges.
      {2, R::kAlways, P::kAbsent, false, kNotExisting},
      {2, R::kOnlyIfNewer, P::kAbsent, false, kNotExisting},
      {2, R::kAlways, P::kNewer, true, kInstallSilently},
      {2, R::kUnlessUpToDate, P::kNewer, false, kUpToDate},
      {2, R::kUnlessUpToDate, P::kOlder, true, kOutOfDate},
      {2, R::kOnlyIfNewer, P::kOlder, true, kDateNewer},
      // Mode 3: only where nothing exists.
      {3, R::kAlways, P::kAbsent, true, kInstallSilently},
      {3, R::kAlways, P::kOlder, false, kExists},
      {3, R::kUnlessUpToDate, P::kOlder, false, kExists},
      {3, R::kOnlyIfNewer, P::kAbsent, true, kInstallSilently},
      // Mode 4: never over a later file; within a second counts as the same date.
      {4, R::kAlways, P::kNewer, false, kExistingNewer},
      {4, R::kAlways, P::kOneSecondLater, true, kInstallSilently},
      {4, R::kAlways, P::kOlder, true, kInstallSilently},
      {4, R::kAlways, P::kAbsent, true, kInstallSilently},
      {4, R::kUnlessUpToDate, P::kNewer, false, kExistingNewer},
      {4, R::kUnlessUpToDate, P::kOneSecondLater, false, kUpToDate},
      {4, R::kUnlessUpToDate, P::kOlder, true, kOutOfDate},
      {4, R::kOnlyIfNewer, P::kNewer, false, kExistingNewer},
      {4, R::kOnlyIfNewer, P::kOlder, true, kDateNewer},
  };
  for (const ModeCase& c : cases) {
    const OverwriteQuestion question{c.mode, c.rule, kEntryDate, "", true};
    const ExistingFile existing = Existing(c.present);
    const OverwriteDecision decision = DecideOverwrite(question, existing);
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", rule " << static_cast<int>(c.rule) << ", present "
                                    << static_cast<int>(c.present));
    EXPECT_EQ(decision.install, c.install);
    EXPECT_EQ(decision.log_text, c.log_text);
    // A skipped file that exists still belongs to the product; a missing one does not.
    EXPECT_EQ(decision.record_existing, !c.install && existing.exists);
  }
}

TEST(DecideOverwrite, SkippedFilesAreRecordedOnlyForKindsTheUninstallerRemoves) {
  const OverwriteQuestion kept_kind{3, ReplacementRule::kAlways, kEntryDate, "", false};
  const OverwriteDecision decision = DecideOverwrite(kept_kind, Existing(Present::kOlder));
  EXPECT_FALSE(decision.install);
  EXPECT_FALSE(decision.record_existing);
}

TEST(DecideOverwrite, AnEntryWithoutDateReplacesAnExistingSharedFile) {
  const OverwriteQuestion question{0, ReplacementRule::kUnlessUpToDate, EntryDate{}, "", true};
  const OverwriteDecision decision = DecideOverwrite(question, Existing(Present::kNewer));
  EXPECT_TRUE(decision.install);
  EXPECT_EQ(decision.log_text, kOutOfDate);
}

struct VersionCase {
  const char* name;
  const char* entry_version;
  std::optional<std::string> existing_version;
  std::optional<EntryDate> existing_date;
  bool install;
  const char* log_text;
};

TEST(DecideOverwrite, VersionThenDateForFilesReplacedOnlyWhenNewer) {
  const VersionCase cases[] = {
      {"newer version, older entry date: kept", "2.0", "1.0", Shifted(3600), false, kDateNotNewerThanNewer},
      {"newer version, date only a second later: kept", "2.0", "1.0", Shifted(-1), false, kDateNotNewerThanEarlier},
      {"newer version and newer date", "2.0", "1.0", Shifted(-3600), true,
       " needs replacement because its version (2.0) is newer than 1.0 and its date (2024/05/10 12:00:00) is newer "
       "than 2024/05/10 11:00:00\r\n"},
      {"newer version, unreadable date", " 2.0.1\t", "2.0", std::nullopt, true,
       " needs replacement because its version (2.0.1) is newer than 2.0\r\n"},
      {"same version", "1.0", "1.0", Shifted(-3600), false,
       " was not installed because its version (1.0) is not newer than 1.0\r\n"},
      {"older version", "1.2", "1.10", Shifted(-3600), false,
       " was not installed because its version (1.2) is not newer than 1.10\r\n"},
      {"blank entry version: the date decides", " \r\n", "9.0", Shifted(-3600), true, kDateNewer},
      {"existing file without version: the date decides", "2.0", std::nullopt, Shifted(-3600), true, kDateNewer},
      {"nothing to compare", "", std::nullopt, std::nullopt, true, kOutOfDate},
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.name);
    const OverwriteQuestion question{0, ReplacementRule::kOnlyIfNewer, kEntryDate, c.entry_version, true};
    const OverwriteDecision decision = DecideOverwrite(question, {true, c.existing_date, c.existing_version});
    EXPECT_EQ(decision.install, c.install);
    EXPECT_EQ(decision.log_text, c.log_text);
  }
}

TEST(DecideOverwrite, ReadsOnlyWhatTheRuleNeeds) {
  const OverwriteQuestion plain{0, ReplacementRule::kAlways, kEntryDate, "1.0", true};
  EXPECT_FALSE(NeedsExistingDate(plain));
  EXPECT_FALSE(NeedsExistingVersion(plain));
  EXPECT_TRUE(NeedsExistingDate({4, ReplacementRule::kAlways, kEntryDate, "", true}));
  EXPECT_TRUE(NeedsExistingDate({0, ReplacementRule::kUnlessUpToDate, kEntryDate, "", true}));
  EXPECT_FALSE(NeedsExistingVersion({0, ReplacementRule::kOnlyIfNewer, kEntryDate, " \t", true}));
  EXPECT_TRUE(NeedsExistingVersion({0, ReplacementRule::kOnlyIfNewer, kEntryDate, "1.0", true}));
  EXPECT_TRUE(NeverInstalls(1));
  EXPECT_TRUE(NeverInstalls(5));
  EXPECT_FALSE(NeverInstalls(6));
}

struct DateCase {
  EntryDate a;
  EntryDate b;
  int expected;
};

TEST(CompareFileDates, CalendarFirstThenTimeWithOneSecondTolerance) {
  const EntryDate no_calendar{0, 0, 0, 0, 0, 0};
  const EntryDate no_time{2024, 5, 10, -1, 0, 0};
  const DateCase cases[] = {
      {kEntryDate, kEntryDate, 0},
      {kEntryDate, Shifted(1), 0},
      {kEntryDate, Shifted(-1), 0},
      {kEntryDate, Shifted(2), -1},
      {Shifted(2), kEntryDate, 1},
      {{2024, 5, 10, 23, 59, 59}, {2024, 5, 11, 0, 0, 0}, -1},  // the tolerance stays within a day
      {{2023, 12, 31, 12, 0, 0}, kEntryDate, -1},
      {{2024, 6, 1, 0, 0, 0}, kEntryDate, 1},
      {kEntryDate, no_calendar, -1},  // a date sorts before none
      {no_calendar, kEntryDate, 1},
      {no_time, kEntryDate, -1},      // a day without time sorts first
      {kEntryDate, no_time, 1},
  };
  for (const DateCase& c : cases) {
    const int result = CompareFileDates(c.a, c.b);
    EXPECT_EQ((result > 0) - (result < 0), c.expected) << FormatFileDate(c.a) << " vs " << FormatFileDate(c.b);
  }
}

TEST(NormalizedVersion, CommasBecomeFullStopsAndBlanksGo) {
  EXPECT_EQ(NormalizedVersion(" 6, 1, 7601, 17514 \r\n"), "6. 1. 7601. 17514");
  EXPECT_EQ(NormalizedVersion("\t\r\n "), "");
  EXPECT_EQ(FormatFileDate({2009, 1, 2, 3, 4, 5}), "2009/01/02 03:04:05");
}

}  // namespace
}  // namespace valdorine
