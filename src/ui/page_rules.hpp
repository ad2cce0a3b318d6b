// The wizard pages' rules that need no window: what the start-menu page accepts, which language the Language page preselects, when a licence counts
// as read to the end, and how the greeting's link is written.
#pragma once

#include <cstdint>

#include "core/string.hpp"
#include "core/vector.hpp"

namespace valdorine {

// Whether a start-menu folder name may be used: none of / " < > | * ? : ; and neither a leading
// backslash nor two backslashes in a row. An empty name is allowed.
bool StartMenuNameAllowed(const String& name);

// The language to preselect among `names`: the one that begins with the locale's native language
// name (cut at its first opening parenthesis and trimmed), ignoring case; else "English"; else 0.
int PreselectedLanguage(const Array<String>& names, const String& native_language_name);

// Whether a text scrolled to `position`, showing `page` units of a range ending at `maximum`, shows
// its end.
bool ScrolledToEnd(int position, int page, int maximum);

// `text` with "<a>" replaced by an anchor that opens `address`.
String GreetingLinkMarkup(const String& text, const String& address);

// Whether 8-bit text is rich text: it begins with "{\rtf", after an optional UTF-8 byte-order mark.
bool IsRichTextBytes(const String& text);
// The rich text without a UTF-8 byte-order mark in front.
String WithoutByteOrderMark(const String& rich_text);

}  // namespace valdorine
