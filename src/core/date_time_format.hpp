// Formatting of a calendar date and time by a letter pattern, for log lines and registry values.
//
// Pattern tokens (a doubled letter is the long form; every other character is copied):
//   yy year, four digits          y  year modulo 100, two digits
//   mm / m   month, two digits / without leading zero
//   dd / d   day of month, two digits / without leading zero
//   HH / H   hour 0-23, two digits / without leading zero
//   hh / h   hour 1-12, two digits / without leading zero
//   ii / i   minutes, two digits / without leading zero
//   ss / s   seconds, two digits / without leading zero
//   ap       "a" before noon, "p" from noon on;  AP  "a.m." or "p.m."
//   MM / M   month name / its first three letters
//   WW / W   weekday name / its first three letters
#pragma once

#include "core/string.hpp"

namespace valdorine {

// A broken-down local time, as the system reports it.
struct DateTime {
  int year = 0;
  int month = 1;        // 1-12
  int day = 1;          // 1-31
  int day_of_week = 0;  // 0 Sunday to 6 Saturday
  int hour = 0;         // 0-23
  int minute = 0;
  int second = 0;
};

// The pattern used when the caller gives none.
inline constexpr char16_t kDefaultDateTimePattern[] = u"yy/mm/dd HH:ii:ss";

// Formats `time` by `pattern` (wide); a null or empty pattern uses kDefaultDateTimePattern.
// The result is wide text.
String FormatDateTime(const DateTime& time, const char16_t* pattern);

}  // namespace valdorine
