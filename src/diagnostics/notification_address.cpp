#include "diagnostics/notification_address.hpp"

#include <string.h>

namespace valdorine {
namespace {

bool NeedsEncoding(unsigned char byte) {
  return byte <= 32 || byte >= 127 || strchr("/%?&\"#<>()[];:=+\\|~^'*!@", byte) != nullptr;
}

String Token(const char* token, const NotificationValues& values) {
  if (strcmp(token, "%version%") == 0) return values.version;
  if (strcmp(token, "%Session%") == 0) {
    return String::FormatNarrow("%016llX", static_cast<unsigned long long>(values.session));
  }
  if (strcmp(token, "%OS%") == 0) return values.os;
  if (strcmp(token, "%OSMajor%") == 0) return values.os_major;
  if (strcmp(token, "%OSMinor%") == 0) return values.os_minor;
  if (strcmp(token, "%OSName%") == 0) return values.os_name;
  if (strcmp(token, "%OSDescription%") == 0) return values.os_description;
  return String::FromNarrow(values.os_server ? "1" : "0");
}

constexpr const char* kTokens[] = {"%version%", "%Session%",     "%OS%",          "%OSMajor%",
                                   "%OSMinor%", "%OSName%", "%OSDescription%", "%OSServer%"};

// The token that begins at `text`, or null.
const char* TokenAt(const char* text) {
  for (const char* token : kTokens) {
    if (_strnicmp(text, token, strlen(token)) == 0) return token;
  }
  return nullptr;
}

}  // namespace

String PercentEncode(const String& bytes) {
  String encoded;
  for (int i = 0; i < bytes.Length(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes.NarrowAt(i));
    if (NeedsEncoding(byte)) {
      encoded.AppendFormatNarrow("%%%02X", byte);
    } else {
      encoded.AppendNarrowChar(static_cast<char>(byte));
    }
  }
  return encoded;
}

String FillNotificationAddress(const String& address, const NotificationValues& values) {
  String filled;
  const char* text = address.Narrow();
  while (*text != 0) {
    const char* token = *text == '%' ? TokenAt(text) : nullptr;
    if (token == nullptr) {
      filled.AppendNarrowChar(*text++);
      continue;
    }
    filled.Append(PercentEncode(Token(token, values)));
    text += strlen(token);
  }
  return filled;
}

}  // namespace valdorine
