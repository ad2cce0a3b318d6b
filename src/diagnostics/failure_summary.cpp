#include "diagnostics/failure_summary.hpp"

#include <windows.h>

#include "core/win32/system_errors.hpp"
#include "package/language_strings.hpp"

namespace valdorine {

String& FailureSummary() {
  static String summary;
  return summary;
}

void AddFailure(String& summary, const String& detail) {
  const DWORD error = GetLastError();
  summary.AppendFormatWide(u"%s %s\r\n", LanguageString(31).Wide(), detail.Wide());
  if (error != 0) {
    summary.AppendFormatWide(u"Code %s: %s\r\n\r\n", SystemErrorCode(error).Wide(), SystemErrorTextWithEnglish(error).Wide());
  }
}

}  // namespace valdorine
