// The installer's page templates, created from the built installer's own resources at the
// screen's pixel density: every control lies inside the page, and no two controls that show
// content overlap (the decorations lie beneath the content by design). Since the templates are laid
// out in dialog units, the same holds at every density; the scenarios' screenshots show the look.
#include <windows.h>
// windows.h first: the common controls header needs its types.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/win32/unique_handle.hpp"
#include "ui/page_setup.hpp"

namespace valdorine {
namespace {

constexpr int kDecorations[] = {1021, 1032, 1042};  // side picture, header band, white panel

struct DataModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle module) { FreeLibrary(module); }
};

// The installer built beside the test program, loaded for its resources only.
HMODULE Installer() {
  static const UniqueResource<DataModuleTraits> module([] {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.resize(folder.find_last_of(L'\\') + 1);
    return LoadLibraryExW((folder + L"ValdorineSetup.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  }());
  return module.Get();
}

std::vector<std::wstring> TemplateNames() {
  std::vector<std::wstring> names = {L"EnterPassword", L"MustUninstall", L"SupportOffer", L"GreetingDlg",
                                     L"GreetingDlg3", L"GreetingDlg4"};
  for (const wchar_t* family : {L"LanguageDlg", L"LicenseDlg", L"ReadmeDlg", L"ChooseDirDlg", L"StartMenuDlg",
                                L"ProgressDlg", L"SummaryDlg"}) {
    for (const wchar_t* suffix : {L"", L"2", L"3", L"4"}) names.push_back(std::wstring(family) + suffix);
  }
  return names;
}

INT_PTR CALLBACK QuietPage(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

struct Placed {
  int id;
  RECT rect;
};

bool IsDecoration(HWND control) {
  const int id = GetDlgCtrlID(control);
  for (int decoration : kDecorations) {
    if (id == decoration) return true;
  }
  return (GetWindowLongPtrW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ETCHEDHORZ && id == -1;
}

// The visible controls that show content, in the page's client coordinates.
std::vector<Placed> ContentControls(HWND page) {
  std::vector<Placed> placed;
  for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!(GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) || IsDecoration(child)) continue;
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
    placed.push_back({GetDlgCtrlID(child), rect});
  }
  return placed;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}

TEST(PageTemplates, EveryControlLiesInsideThePageAndContentNeverOverlaps) {
  ASSERT_NE(Installer(), nullptr) << "ValdorineSetup.exe is built beside the tests";
  LoadCommonControls(ICC_STANDARD_CLASSES | ICC_LINK_CLASS | ICC_PROGRESS_CLASS);
  for (const std::wstring& name : TemplateNames()) {
    const std::string shown(name.begin(), name.end());
    HWND page = CreateDialogParamW(Installer(), name.c_str(), nullptr, QuietPage, 0);
    ASSERT_NE(page, nullptr) << shown << ": error " << GetLastError();
    RECT client{};
    GetClientRect(page, &client);
    const std::vector<Placed> controls = ContentControls(page);
    EXPECT_GE(controls.size(), 2u) << shown;
    for (size_t i = 0; i < controls.size(); ++i) {
      EXPECT_TRUE(Inside(controls[i].rect, client)) << shown << ": control " << controls[i].id << " leaves the page";
      for (size_t j = i + 1; j < controls.size(); ++j) {
        RECT common{};
        EXPECT_FALSE(IntersectRect(&common, &controls[i].rect, &controls[j].rect))
            << shown << ": controls " << controls[i].id << " and " << controls[j].id << " overlap";
      }
    }
    DestroyWindow(page);
  }
}

}  // namespace
}  // namespace valdorine
