#include "format/firewall_list.hpp"

namespace valdorine {
namespace {

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

}  // namespace

Array<String> FirewallListLines(const String& list) {
  Array<String> lines;
  int start = 0;
  for (int i = 0; i <= list.Length(); ++i) {
    if (i < list.Length() && !IsLineBreak(list.NarrowAt(i))) continue;
    if (i > start) lines.Append(String::FromBytes(list.Bytes() + start, i - start));
    start = i + 1;
  }
  return lines;
}

Array<String> FirewallFields(const String& line) {
  Array<String> fields;
  int start = 0;
  for (int i = 0; i <= line.Length(); ++i) {
    if (i < line.Length() && line.NarrowAt(i) != ';') continue;
    fields.Append(String::FromBytes(line.Bytes() + start, i - start));
    start = i + 1;
  }
  return fields;
}

bool IsFirewallPort(const String& target) {
  if (target.IsEmpty()) return false;
  for (int i = 0; i < target.Length(); ++i) {
    if (target.NarrowAt(i) < '0' || target.NarrowAt(i) > '9') return false;
  }
  return true;
}

int FirewallNumber(const String& field) {
  constexpr int kLimit = 0x7FFFFFFF;
  int number = 0;
  for (int i = 0; i < field.Length() && field.NarrowAt(i) >= '0' && field.NarrowAt(i) <= '9'; ++i) {
    const int digit = field.NarrowAt(i) - '0';
    if (number > (kLimit - digit) / 10) return 0;
    number = number * 10 + digit;
  }
  return number;
}

bool KeepsFirewallRule(const String& options) {
  for (int i = 0; i < options.Length(); ++i) {
    if (options.NarrowAt(i) == '1') return true;
  }
  return false;
}

}  // namespace valdorine
