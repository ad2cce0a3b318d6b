// The wizard's question pages as the install sequence and the uninstaller use them. Each page is a
// modal dialog in its page style; its texts are language strings of the current language.
//
// In silent mode no page is shown: each answers as a suppressed question does (positively), except
// the password, which cannot be typed without a user and so is refused.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

enum class PageResult {
  kAccepted,      // Next / OK
  kCancelled,     // Cancel or Back out of the wizard
  kNotAvailable,  // the page cannot be shown; nothing was asked
};

// Language choice; on acceptance the chosen language is current (SetLanguage).
PageResult ShowLanguagePage();
// The greeting `text` with its `caption`; `link_followed` runs when the user opens the greeting's
// link (the address is opened by the page).
PageResult ShowGreetingPage(const String& caption, const String& text, void (*link_followed)());
// Accepted only when the user typed `password` (8-bit, as the script stores it).
PageResult ShowPasswordPage(const String& password);
// One license or readme text: rich text ("{\rtf") or wide plain text.
PageResult ShowLicensePage(const String& text);
PageResult ShowReadmePage(const String& text);
// The folder choice, starting from `folder`, which holds the answer on acceptance.
// `required_space` gives the bytes that the installation takes in a folder, for the space lines.
PageResult ShowChooseDirPage(String& folder, uint64_t (*required_space)(const String& folder));
// The start-menu folder choice, starting from `folder`, which holds the answer on acceptance.
PageResult ShowStartMenuPage(String& folder);
// The page that says an earlier version must be uninstalled first; accepted means "uninstall now".
PageResult ShowMustUninstallPage();
// The uninstaller's support offer: accepted means "Get Support" instead of uninstalling,
// cancelled means "Uninstall".
PageResult ShowSupportOfferPage();

}  // namespace valdorine
