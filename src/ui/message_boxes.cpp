#include "ui/message_boxes.hpp"

#include <windows.h>

#include "core/win32/win_text.hpp"
#include "format/script_options.hpp"
#include "package/language_strings.hpp"
#include "run/run_state.hpp"
#include "run/run_switches.hpp"

namespace valdorine {
namespace {

// Shows a box unless the run is silent; a box that is not shown gives `silent_answer`.
int ShowBox(const String& text, const String& caption, UINT style, int silent_answer) {
  if (Switches().silent_mode) return silent_answer;
  return MessageBoxW(nullptr, WinText(text), WinText(caption), style | MB_SETFOREGROUND | MB_TOPMOST);
}

}  // namespace

void ShowInfo(const String& text, const String& caption) { ShowBox(text, caption, MB_OK | MB_ICONINFORMATION, IDOK); }

void ShowWarning(const String& text, const String& caption) { ShowBox(text, caption, MB_OK | MB_ICONWARNING, IDOK); }

bool AskYesNo(const String& text, const String& caption) {
  return ShowBox(text, caption, MB_YESNO | MB_ICONQUESTION, IDYES) == IDYES;
}

bool AskOkCancel(const String& text, const String& caption) {
  return ShowBox(text, caption, MB_OKCANCEL | MB_ICONQUESTION, IDOK) == IDOK;
}

bool AskRetryCancel(const String& text, const String& caption) {
  return ShowBox(text, caption, MB_RETRYCANCEL | MB_ICONWARNING, IDCANCEL) == IDRETRY;
}

bool ErrorBoxShown(bool silent_mode, bool automatic_mode, uint32_t option_word2) {
  if (silent_mode) return false;
  return !automatic_mode || (option_word2 & option2::kErrorBoxesInAutomaticMode) != 0;
}

void ShowErrorBox(const String& text) {
  const RunSwitches& switches = Switches();
  if (!ErrorBoxShown(switches.silent_mode, switches.automatic_mode, Run().options.word2)) return;
  String caption = LanguageString(21);
  if (caption.IsEmpty()) caption = String::FromWide(u"Error");
  ShowBox(text, caption, MB_OK | MB_ICONERROR, IDOK);
}

}  // namespace valdorine
