#include "installer/fatal_display.hpp"

#include <windows.h>

#include "core/fatal.hpp"
#include "installer/orderly_exit.hpp"
#include "package/language_strings.hpp"
#include "run/run_switches.hpp"

namespace valdorine {
namespace {

constexpr int kErrorCaptionString = 21;

void ShowFatalWide(const char16_t* text) {
  if (!Switches().silent_mode) {
    String caption = LanguageString(kErrorCaptionString);
    if (caption.IsEmpty()) caption = String::FromWide(u"Error");
    MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text),
                reinterpret_cast<const wchar_t*>(caption.Wide()),
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TASKMODAL);
  }
  ExitInstallation(RunOutcome::kFailed);
}

void ShowFatalNarrow(const char* text) {
  String wide = WideFromNarrow(String::FromNarrow(text), code_page::kAnsi);
  ShowFatalWide(wide.Wide());
}

}  // namespace

void RegisterFatalDisplay() { SetFatalDisplayers(ShowFatalNarrow, ShowFatalWide); }

}  // namespace valdorine
