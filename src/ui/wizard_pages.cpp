// The language, greeting, password and existing-installation pages; the licence and readme pages
// are in text_pages.cpp, the folder pages in folder_pages.cpp.
#include "ui/wizard_pages.hpp"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>

#include "core/win32/win_text.hpp"
#include "package/language_strings.hpp"
#include "package/package_startup.hpp"
#include "ui/message_boxes.hpp"
#include "ui/page_frame.hpp"
#include "ui/page_rules.hpp"
#include "ui/resources/page_ids.h"

namespace valdorine {
namespace {

constexpr DWORD kWrongPasswordDelayMs = 500;
constexpr int kMaxPasswordLength = 64;

void SetButtonTexts(HWND page, int forward, int back_out) {
  SetControlText(page, IDC_FORWARD, LanguageString(forward));
  SetControlText(page, IDC_BACK_OUT, LanguageString(back_out));
}

String ThreadLanguageName() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH * 2] = {};
  GetLocaleInfoW(GetThreadLocale(), LOCALE_SNATIVEDISPLAYNAME, name, static_cast<int>(std::size(name)));
  return FromWinText(name);
}

class LanguagePage : public StyledPage {
 public:
  LanguagePage() : StyledPage(u"LanguageDlg", Script().Display.LanguagePageStyle) {}
  String Header() const override { return LanguageString(94); }
  void Label(HWND page) override {
    SetControlText(page, IDC_MAIN_TEXT, LanguageString(82));
    SetButtonTexts(page, 48, 49);
  }
  void Start(HWND page) override {
    const Array<String>& names = Script().Languages.names;
    const HWND list = GetDlgItem(page, IDC_LANGUAGES);
    for (int i = 0; i < names.Count(); ++i) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WinText(names[i])));
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(PreselectedLanguage(names, ThreadLanguageName())), 0);
    Choose(page);
  }
  bool Command(HWND page, int id, int code) override {
    if (id != IDC_LANGUAGES) return false;
    if (code == LBN_SELCHANGE) Choose(page);
    if (code == LBN_DBLCLK && Accept(page)) EndDialog(page, IDC_FORWARD);
    return true;
  }
  bool Accept(HWND page) override {
    const int last = Script().Languages.names.Count() - 1;
    SetLanguage(std::clamp(Selection(page), 0, std::max(last, 0)));
    return true;
  }

 private:
  static int Selection(HWND page) { return static_cast<int>(SendDlgItemMessageW(page, IDC_LANGUAGES, LB_GETCURSEL, 0, 0)); }
  void Choose(HWND page) {
    Accept(page);
    RelabelPage(page);
  }
};

class GreetingPage : public StyledPage {
 public:
  GreetingPage(const String& caption, const String& text, void (*link_followed)())
      : StyledPage(u"GreetingDlg", Script().Display.GreetingPageStyle), caption_(caption), text_(text),
        link_followed_(link_followed) {}
  String Header() const override { return Style() == 2 ? LanguageString(103) : caption_; }
  void Label(HWND page) override {
    SetControlText(page, IDC_MAIN_TEXT, Style() == 2 ? ConcatWide(u"\r\n\r\n", text_.Wide(), nullptr) : text_);
    SetButtonTexts(page, 48, 49);
    const String& address = Script().GreetingLink;
    const String link_text = LanguageString(105);
    const bool linked = !address.IsEmpty() && !link_text.IsEmpty();
    SetControlText(page, IDC_GREETING_LINK, linked ? GreetingLinkMarkup(link_text, address) : String());
    ShowWindow(GetDlgItem(page, IDC_GREETING_LINK), linked ? SW_SHOW : SW_HIDE);
  }
  void Notify(HWND page, const NMHDR& header) override {
    if (header.idFrom != IDC_GREETING_LINK || (header.code != NM_CLICK && header.code != NM_RETURN)) return;
    const auto& link = reinterpret_cast<const NMLINK&>(header);
    ShellExecuteW(page, L"open", link.item.szUrl, nullptr, nullptr, SW_SHOWNORMAL);
    if (link_followed_) link_followed_();
  }

 private:
  String caption_;
  String text_;
  void (*link_followed_)();
};

class PasswordPage : public WizardPage {
 public:
  explicit PasswordPage(const String& password) : password_(password) {}
  String TemplateName() const override { return String::FromWide(u"EnterPassword"); }
  String Header() const override { return LanguageString(75); }
  void Label(HWND page) override {
    SetControlText(page, IDC_MAIN_TEXT, LanguageString(76));
    SetControlText(page, IDC_PASSWORD_LABEL, LanguageString(27));
    SetControlText(page, IDC_FORWARD, String::FromWide(u"OK"));
    SetControlText(page, IDC_BACK_OUT, LanguageString(49));
  }
  void Start(HWND page) override {
    SendDlgItemMessageW(page, IDC_PASSWORD, EM_LIMITTEXT, kMaxPasswordLength, 0);
    SetFocus(GetDlgItem(page, IDC_PASSWORD));
  }
  // The typed text as ANSI bytes against the script's password, case and all.
  bool Accept(HWND page) override {
    const String typed = NarrowFromWide(ControlText(page, IDC_PASSWORD), code_page::kAnsi);
    if (typed == password_) return true;
    Sleep(kWrongPasswordDelayMs);
    ShowInfo(LanguageString(102), LanguageString(21), MB_ICONERROR, page);
    const HWND edit = GetDlgItem(page, IDC_PASSWORD);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    return false;
  }

 private:
  const String& password_;
};

// A question page without styles: a text and two buttons.
class QuestionPage : public WizardPage {
 public:
  QuestionPage(const char16_t* name, int caption, int text, int forward, int back_out)
      : name_(name), caption_(caption), text_(text), forward_(forward), back_out_(back_out) {}
  String TemplateName() const override { return String::FromWide(name_); }
  String Header() const override { return LanguageString(caption_); }
  void Label(HWND page) override {
    SetControlText(page, IDC_MAIN_TEXT, LanguageString(text_));
    SetButtonTexts(page, forward_, back_out_);
  }

 private:
  const char16_t* name_;
  int caption_, text_, forward_, back_out_;
};

}  // namespace

PageResult ShowLanguagePage() {
  LanguagePage page;
  return ShowPage(page, PageResult::kAccepted);
}

PageResult ShowGreetingPage(const String& caption, const String& text, void (*link_followed)()) {
  if (Script().Display.GreetingPageStyle == 0) {
    return AskOkCancel(text, caption) ? PageResult::kAccepted : PageResult::kCancelled;
  }
  GreetingPage page(caption, text, link_followed);
  return ShowPage(page, PageResult::kAccepted);
}

PageResult ShowPasswordPage(const String& password) {
  PasswordPage page(password);
  return ShowPage(page, PageResult::kCancelled);
}

PageResult ShowMustUninstallPage() {
  QuestionPage page(u"MustUninstall", 21, 9, 104, 49);
  return ShowPage(page, PageResult::kAccepted);
}

PageResult ShowSupportOfferPage() {
  QuestionPage page(u"SupportOffer", 110, 109, 110, 104);
  return ShowPage(page, PageResult::kCancelled);
}

}  // namespace valdorine
