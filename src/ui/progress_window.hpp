// The progress page: a modeless page with a percentage bar and a status line that the install
// sequence and the uninstaller drive while they work, and that lets the user cancel an
// installation. While it exists it owns message boxes and refuses to let the session end.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

enum class ProgressRun { kInstallation, kUninstallation };

// How the progress page looks: its page style, the colour of its header band's texts, its side
// picture's border (`PictureBorder`), and the title on its band (the wizard's title when empty).
struct ProgressLook {
  uint32_t style = 1;
  uint32_t header_text_colour = 0;
  uint8_t picture_border = 0;
  String band_title;
};

// Creates the page when option word 2 asks for a progress page and the run is not silent, placed
// by the script's progress position code. `cancel` is what the Cancel button does after the user
// confirmed it (an installation's cancel path); the button is disabled during an uninstallation
// and when the script forbids cancelling. A page that cannot be created ends the run with a
// fatal message. Returns after handling the waiting window messages.
void ShowProgressPage(ProgressRun run, const ProgressLook& look, void (*cancel)());
void CloseProgressPage();
// The page, or null.
HWND ProgressPage();

// Moves the bar (0..100). Without a page these calls only handle waiting messages.
void SetProgress(int percent);
// Shows language string `number` as the status and notes the time, from which WaitStage measures.
void SetStatus(int number);
// Shows a text (a file being written, a step's own text) as the status.
void ShowProgressStatus(const String& text);
// Lets the current status stay visible until `milliseconds` have passed since it was set; returns
// at once in automatic mode, and only notes the time when no status was set yet.
void WaitStage(uint32_t milliseconds);

// The window that owns pages and message boxes: the progress page while it exists, else the
// background window, else none.
HWND PageOwner();
// Handles the thread's waiting window messages, the progress page's keyboard included; false once
// the program has been asked to quit.
bool PumpWindowMessages();

// Closes the progress page and the background window; the orderly exit calls it.
void CloseInstallerWindows();

// Where the page goes in `area` for the progress position code: bits 0-1 horizontally (1 left,
// 2 right, 3 centred, 0 where it is), bits 3-4 vertically (8 top, 16 bottom, 24 centred, 0 where
// it is). Returns the page's new top-left corner.
POINT ProgressPagePosition(const RECT& area, const RECT& page, uint32_t code);

}  // namespace valdorine
