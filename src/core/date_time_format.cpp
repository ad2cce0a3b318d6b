#include "core/date_time_format.hpp"

#include <iterator>
#include <optional>

namespace valdorine {
namespace {

constexpr const char16_t* kMonthNames[] = {u"January", u"February", u"March",     u"April",
                                           u"May",     u"June",     u"July",      u"August",
                                           u"September", u"October", u"November", u"December"};
constexpr const char16_t* kWeekdayNames[] = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                             u"Thursday", u"Friday", u"Saturday"};

int Hour12(int hour) {
  const int h = hour % 12;
  return h == 0 ? 12 : h;
}

// The value behind a numeric token letter (two digits doubled, no leading zero single).
std::optional<int> NumericValue(char16_t letter, const DateTime& time) {
  switch (letter) {
    case u'm': return time.month;
    case u'd': return time.day;
    case u'H': return time.hour;
    case u'h': return Hour12(time.hour);
    case u'i': return time.minute;
    case u's': return time.second;
    default: return std::nullopt;
  }
}

// The full name, or its first three letters; nothing for an index out of range.
template <size_t kCount>
void AppendName(String& out, const char16_t* const (&names)[kCount], int index, bool full) {
  if (index < 0 || index >= static_cast<int>(kCount)) return;
  out.AppendWide(names[index], full ? String::kUpToTerminator : 3);
}

// Appends the output of the token that starts at `at` and returns how many pattern characters it
// took, or 0 when the character there starts no token.
int AppendToken(String& out, const DateTime& time, const char16_t* at) {
  const char16_t letter = at[0];
  const bool doubled = at[1] == letter;
  const int used = doubled ? 2 : 1;
  const bool after_noon = time.hour >= 12;
  if (letter == u'y') {
    out.AppendFormatWide(doubled ? u"%04d" : u"%02d", doubled ? time.year : time.year % 100);
  } else if (std::optional<int> value = NumericValue(letter, time)) {
    out.AppendFormatWide(doubled ? u"%02d" : u"%d", *value);
  } else if (letter == u'M') {
    AppendName(out, kMonthNames, time.month - 1, doubled);
  } else if (letter == u'W') {
    AppendName(out, kWeekdayNames, time.day_of_week, doubled);
  } else if (letter == u'a' && at[1] == u'p') {
    out.AppendWideChar(after_noon ? u'p' : u'a');
    return 2;
  } else if (letter == u'A' && at[1] == u'P') {
    out.AppendWide(after_noon ? u"p.m." : u"a.m.");
    return 2;
  } else {
    return 0;
  }
  return used;
}

}  // namespace

String FormatDateTime(const DateTime& time, const char16_t* pattern) {
  if (pattern == nullptr || *pattern == 0) pattern = kDefaultDateTimePattern;
  String out;
  while (*pattern != 0) {
    int used = AppendToken(out, time, pattern);
    if (used == 0) {
      out.AppendWideChar(*pattern);
      used = 1;
    }
    pattern += used;
  }
  return out;
}

}  // namespace valdorine
