// The installer's message boxes: information, questions and the install sequence's error box.
// Every box is brought to the foreground, belongs to the installer's window and is centred on it,
// carries the installer's icon, and has its buttons labelled in the current language (with glyphs
// when the package asks for button images). Silent mode shows none of them, and a question that is
// not shown counts as answered positively.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

// An information box with an OK button.
void ShowInfo(const String& text, const String& caption);
// A box with an OK button, the icon given (MB_ICONERROR, ...) and the owner given; the caption
// "Valdorine Setup" when `caption` is empty.
void ShowInfo(const String& text, const String& caption, UINT icon, HWND owner);
// A warning box with an OK button.
void ShowWarning(const String& text, const String& caption);
// A Yes/No question with the question icon; true on Yes.
bool AskYesNo(const String& text, const String& caption);
// An OK/Cancel question; true on OK.
bool AskOkCancel(const String& text, const String& caption);
// A Retry/Cancel request with the warning icon; true on Retry. Silent mode answers Cancel, so
// that a loop that asks until something changes cannot run forever without a user.
bool AskRetryCancel(const String& text, const String& caption);

// Whether the install sequence's error box appears: never in silent mode, in automatic mode only
// when option word 2 asks for error boxes, otherwise always.
bool ErrorBoxShown(bool silent_mode, bool automatic_mode, uint32_t option_word2);

// The install sequence's error box (caption language string 21, else "Error"), when ErrorBoxShown
// allows it for the current run.
void ShowErrorBox(const String& text);

}  // namespace valdorine
