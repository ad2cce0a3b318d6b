// The rich-text viewer of the licence and readme pages: a "RichEdit20W" control from riched20.dll
// (loaded from the system folder), whose links open through the shell and whose context menu
// offers Copy, Print and Save as.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

namespace viewer_option {
inline constexpr uint32_t kEditable = 0x1;
inline constexpr uint32_t kHidden = 0x2;
}  // namespace viewer_option

namespace viewer_command {
inline constexpr int kCopy = 14900;
inline constexpr int kPrint = 14901;
inline constexpr int kSaveAs = 14902;
// Sent (as WM_COMMAND, with a DOCINFOW* in lParam) to the viewer and its parent before printing,
// so that an owner can rename the print job's document.
inline constexpr int kNamePrintJob = 14903;
}  // namespace viewer_command

// Creates the viewer with control id `id` in the parent's coordinates; null when the library or the
// class is missing.
HWND CreateTextViewer(HWND parent, int id, const RECT& rect, uint32_t options);

// Loads RTF bytes; true on success.
bool SetRichText(HWND viewer, const String& rtf);
// The content as RTF bytes; true on success.
bool GetRichText(HWND viewer, String& rtf);

// Writes the content as RTF to the file at `path`, replacing it; 0 on success, else the system's
// error code.
DWORD SaveRichText(HWND viewer, const wchar_t* path);

// The menu's actions. Print says so when there is no printer; Save as says so when the file cannot
// be written.
void CopyText(HWND viewer);
void PrintText(HWND viewer);
void SaveTextAs(HWND viewer);

// For the parent's WM_NOTIFY: opens the link that a viewer reports released by the left mouse
// button with the shell.
void OpenClickedLink(const NMHDR& header);

}  // namespace valdorine
