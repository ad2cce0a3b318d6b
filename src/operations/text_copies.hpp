// Copies of the readme and licence texts in the destination folder, so that they stay readable
// after the installation: "readme.txt" for a single text, "readme1.txt", "readme2.txt", ... for
// several, with the extension "rtf" for rich text.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"

namespace valdorine {

// What differs between the readme and the licence copies.
struct TextCopyKind {
  const char16_t* base_name;       // "readme" or "eula"
  const char16_t* saved_line;      // log line with the path, when each installed file is logged
  const char16_t* failed_line;     // log line with the path and the file error text
};

inline constexpr TextCopyKind kReadmeCopies{u"readme", u"README >>> %s\r\n", u"Failed to save readme to: %s\r\n%s\r\n"};
inline constexpr TextCopyKind kLicenseCopies{u"eula", u"EULA >>> %s\r\n", u"Failed to save EULA to: %s\r\n%s\r\n"};

// True when the stored bytes are rich text: they begin with "{\rtf", after an optional UTF-8
// byte-order mark.
bool IsRichText(const String& stored);

// Writes every non-empty text of `texts` (as the install script stores them: rich text as it is,
// other texts UTF-16LE) into the installation folder. Plain texts get the UTF-16LE byte-order mark.
// Failures are logged; the installation goes on.
void SaveTextCopies(const Array<String>& texts, const TextCopyKind& kind);

}  // namespace valdorine
