// The set-up that every page of the installer gets, wizard, progress and summary pages alike: the
// template of its style, the installer's icon, its place on the screen, its caption or header band,
// the side picture, header band and white panel, the glyphs and layout of its buttons, its colours
// and the foreground.
//
// The side picture (1021) and header band (1032) are owner-drawn controls and the white panel
// (1042) a white rectangle, all lying below the page's content. The band's title (1034) and
// subtitle (1035) hold their texts in hidden controls; the band draws them.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/string.hpp"
#include "ui/gdi_objects.hpp"

namespace valdorine {

inline constexpr uint32_t kUnstyledPage = UINT32_MAX;  // EnterPassword, MustUninstall, SupportOffer

// Language string 65, the pages' caption in the header-band style.
inline constexpr int kPageSubtitleString = 65;

// The template of a page family in a style: 0 the family with "2", 1 the family alone, 3 the family
// with "4", any other value the family with "3" (the header band).
String PageTemplateName(const char16_t* family, uint32_t style);

// The title of the wizard: language string 114, else the script's window title, else the product's
// name.
String WizardTitle();

// What a shown page's decoration keeps: its style, the colour of the band's texts, the side
// picture's border (`PictureBorder`) and the bold font of the band's title.
struct PageLook {
  uint32_t style = kUnstyledPage;
  uint32_t header_text_colour = 0;
  uint8_t picture_border = 0;
  UniqueFont bold_font;
};

// The look of the script's pages in a style: its header text colour and picture border.
PageLook ScriptPageLook(uint32_t style);

// The texts of a page's caption and band.
struct PageHeading {
  String header;        // the caption, or in the header-band style the band's subtitle
  String band_title;    // the band's title; filled only in style 2 itself
  String band_caption;  // the caption in the header-band style
};

// The heading of a wizard page: the band shows the wizard's title, the caption string 65.
PageHeading WizardHeading(const String& header);

// The common set-up, when the page's dialog initialises and after it has set its own texts: the
// Close item, the icon, the caption and band, the button glyphs and layout, the picture's border,
// centring on the installer's window, and the foreground.
void SetUpPage(HWND page, PageLook& look, const PageHeading& heading);

// Sets the caption and band texts and the buttons' glyphs and layout again (after the page's
// texts changed language).
void DecoratePage(HWND page, const PageLook& look, const PageHeading& heading);

// Paints the decorations (WM_DRAWITEM) and colours the texts (WM_CTLCOLORSTATIC, WM_CTLCOLOREDIT);
// true with the dialog result in `result` when the message was handled.
bool HandlePageLookMessage(HWND page, const PageLook& look, UINT message, WPARAM wparam, LPARAM lparam,
                           INT_PTR& result);

// Registers the common controls' classes (link, progress bar) that the pages use.
void LoadCommonControls(DWORD classes);

// Ends the run with a message naming the page's template that could not be created (a damaged
// installer whose resources are missing) and the system's reason.
[[noreturn]] void PageCannotBeShown(const String& template_name);

// The installer's visible window on this thread (the progress page or the background window) that
// pages and message boxes belong to and are centred on; null when there is none.
HWND InstallerWindow(HWND except = nullptr);

// Centres `window` on the installer's window, or on the work area of the screen when there is none.
void CentreOnInstaller(HWND window);

// Gives `button` the glyph of bitmap `bitmap_id` (10 x 10 dialog units of `dialog`) and a leading
// space in its text, when the package asks for button images. The glyph has the shape of the
// picture, so that a disabled button shows it greyed.
void AddButtonGlyph(HWND dialog, HWND button, int bitmap_id);

// Widens every push button of `dialog` to fit its text and re-spaces the row of buttons whose top is
// that of `row_button` from the right.
void FitButtons(HWND dialog, HWND row_button);

// Sets a control's text from a String.
void SetControlText(HWND page, int id, const String& text);
// A control's text.
String ControlText(HWND page, int id);

}  // namespace valdorine
