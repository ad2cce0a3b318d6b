// The frame that every wizard page shares: the modal dialog with the common set-up of page_setup,
// and the common handling of the forward and back-out buttons and of closing the window. A page
// adds its own texts and behaviour through WizardPage.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/string.hpp"
#include "ui/page_setup.hpp"
#include "ui/wizard_pages.hpp"

namespace valdorine {

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

}  // namespace valdorine
