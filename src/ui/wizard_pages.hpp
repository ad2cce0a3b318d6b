// The wizard's question pages as the install sequence and the uninstaller use them.
//
// The dialogs themselves do not exist yet: every page answers kNotAvailable, shows nothing and
// changes nothing. The sequence then does for that page what automatic mode does (no language
// choice, no greeting, the default folder and start-menu folder), except where skipping a page would
// weaken the installation: a password that cannot be asked for, or a MustUninstall page that
// cannot be shown, cancels the run.
#pragma once

#include <windows.h>

#include "core/string.hpp"

namespace valdorine {

enum class PageResult {
  kAccepted,      // Next / OK
  kCancelled,     // Cancel or Back out of the wizard
  kNotAvailable,  // the page cannot be shown; nothing was asked
};

// Language choice; on acceptance the chosen language is current (SetLanguage).
PageResult ShowLanguagePage();
// Greeting with its text (language string 65) and link text (language string 1).
PageResult ShowGreetingPage(const String& greeting, const String& link_text);
// Accepted only when the user typed `password` (8-bit, as the script stores it).
PageResult ShowPasswordPage(const String& password);
// One license or readme text: rich text ("{\rtf") or wide plain text.
PageResult ShowLicensePage(const String& text);
PageResult ShowReadmePage(const String& text);
// The folder choice, starting from `folder`, which holds the answer on acceptance.
PageResult ShowChooseDirPage(String& folder);
// The start-menu folder choice, starting from `folder`, which holds the answer on acceptance.
PageResult ShowStartMenuPage(String& folder);
// The page that says an earlier version must be uninstalled first; accepted means "uninstall now".
PageResult ShowMustUninstallPage();
// The uninstaller's support offer for the web address `address`: accepted means "Get Support"
// instead of uninstalling, cancelled means "Uninstall".
PageResult ShowSupportOfferPage(const String& address);

}  // namespace valdorine
