// The frame that every wizard page shares: the modal dialog and its common set-up (icon, centring,
// caption or header band, side picture, colours, button glyphs and button layout, foreground) and
// the common handling of the forward and back-out buttons and of closing the window. A page adds
// its own texts and behaviour through WizardPage.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/string.hpp"
#include "ui/wizard_pages.hpp"

namespace valdorine {

inline constexpr uint32_t kUnstyledPage = UINT32_MAX;  // EnterPassword, MustUninstall, SupportOffer

class WizardPage {
 public:
  virtual ~WizardPage() = default;

  // The dialog template's name.
  virtual String TemplateName() const = 0;
  // The page style 0..3 (other values look like 2), or kUnstyledPage.
  virtual uint32_t Style() const { return kUnstyledPage; }
  // The caption, or in style 2 the header band's subtitle.
  virtual String Header() const = 0;
  // The header band's title in style 2.
  virtual String BandTitle() const;
  // Sets the texts of the page's own controls and buttons; the frame then lays the buttons out.
  virtual void Label(HWND page) = 0;
  // Runs once after the common set-up.
  virtual void Start(HWND) {}
  // A command of the page's own controls; true when handled.
  virtual bool Command(HWND, int /*id*/, int /*code*/) { return false; }
  // The forward button was pressed: true ends the page with it.
  virtual bool Accept(HWND) { return true; }
  virtual void Notify(HWND, const NMHDR&) {}
  virtual void Timer(HWND, UINT_PTR) {}
};

// A page of a template family that comes in the four page styles.
class StyledPage : public WizardPage {
 public:
  StyledPage(const char16_t* family, uint32_t style) : family_(family), style_(style) {}
  String TemplateName() const override;
  uint32_t Style() const override { return style_; }

 private:
  const char16_t* family_;
  uint32_t style_;
};

// Shows the page modally; 1001 (forward) or 1003 (back out, or the window closed). A page that
// cannot be created ends the run with a message.
int RunPage(WizardPage& page);

// RunPage's result as a PageResult; in silent mode the page is not shown and `silent_answer` is
// the result.
PageResult ShowPage(WizardPage& page, PageResult silent_answer);

// Sets the page's texts again in the current language (after the Language page's choice).
void RelabelPage(HWND page);

// The installer's visible window on this thread (the progress page or the background window) that
// pages and message boxes belong to and are centred on; null when there is none.
HWND InstallerWindow(HWND except = nullptr);

// Centres `window` on the installer's window, or on the work area of the screen when there is none.
void CentreOnInstaller(HWND window);

// Gives `button` the glyph of bitmap `bitmap_id` (10 x 10 dialog units of `dialog`) and a leading
// space in its text, when the package asks for button images. Each glyph is made once for the run.
void AddButtonGlyph(HWND dialog, HWND button, int bitmap_id);

// Widens every push button of `dialog` to fit its text and re-spaces the row of buttons whose top is
// that of `row_button` from the right.
void FitButtons(HWND dialog, HWND row_button);

// Sets a control's text from a String.
void SetControlText(HWND page, int id, const String& text);
// A control's text.
String ControlText(HWND page, int id);

}  // namespace valdorine
