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
}  // namespace valdorine
