// The look that the progress and summary pages share with the wizard's pages: the template of a
// page style, the caption and header band texts, the side picture, the header band and the white
// panel, and the page's icon and place on the screen.
//
// Decoration controls (side picture 1021, header band 1032, white panel 1042) are hidden
// placeholders in the templates: the page paints their rectangles itself, beneath every control,
// so that no control is ever painted over. The band's title (1034) and subtitle (1035) are
// transparent texts over the painted band.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

namespace page_control {
inline constexpr int kForward = 1001;
inline constexpr int kCancel = 1003;
inline constexpr int kText = 1009;
inline constexpr int kSidePicture = 1021;
inline constexpr int kHeaderBand = 1032;
inline constexpr int kBandTitle = 1034;
inline constexpr int kBandSubtitle = 1035;
inline constexpr int kWhitePanel = 1042;
}  // namespace page_control

// Language string 65, the pages' subtitle (the caption of the header-band style).
inline constexpr int kPageSubtitleString = 65;

// The template of a page family in a style: 0 the family with "2", 1 the family alone, 3 the family
// with "4", any other value the family with "3" (the header band).
String PageTemplateName(const char16_t* family, uint32_t style);

// The title of the wizard: language string 114, else the script's window title.
String WizardTitle();

// Sets the caption (the header, or in style 2 the subtitle, with the wizard title and the header
// on the band), enables the Close item of the window menu, gives the page the installer's icon when the script asks for it, and remembers
// the style for painting.
void DecoratePage(HWND page, uint32_t style, const String& header, const String& subtitle);

// Handles a page's painting messages (WM_PAINT, WM_CTLCOLORSTATIC); true with the dialog result
// in `result` when the message was handled.
bool HandleDecorationMessage(HWND page, UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result);

// Ends the run with a fatal message naming the page's template that could not be created (a
// damaged installer whose resources are missing).
[[noreturn]] void PageCannotBeShown(const String& template_name);

// Centres the page on the background window, or on the screen's work area when there is none.
void CentrePage(HWND page);

}  // namespace valdorine
