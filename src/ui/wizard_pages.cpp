#include "ui/wizard_pages.hpp"

namespace valdorine {

PageResult ShowLanguagePage() { return PageResult::kNotAvailable; }
PageResult ShowGreetingPage(const String&, const String&) { return PageResult::kNotAvailable; }
PageResult ShowPasswordPage(const String&) { return PageResult::kNotAvailable; }
PageResult ShowLicensePage(const String&) { return PageResult::kNotAvailable; }
PageResult ShowReadmePage(const String&) { return PageResult::kNotAvailable; }
PageResult ShowChooseDirPage(String&) { return PageResult::kNotAvailable; }
PageResult ShowStartMenuPage(String&) { return PageResult::kNotAvailable; }
PageResult ShowMustUninstallPage() { return PageResult::kNotAvailable; }
PageResult ShowSupportOfferPage(const String&) { return PageResult::kNotAvailable; }
PageResult ShowProgressPage() { return PageResult::kNotAvailable; }

SummaryChoices SummaryPageChoices() { return {}; }

// No progress or background window is ever opened yet, so there is nothing to close.
void CloseProgressPage() {}
void CloseInstallerWindows() {}
void SetProgressPosition(int) {}
void ShowProgressItem(const String&) {}
void ShowProgressStatus(const String&) {}

}  // namespace valdorine
