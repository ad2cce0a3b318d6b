// The destination-folder and start-menu-folder pages: an edit with a Browse button, the disk-space
// lines of the destination page, and the start-menu page's rule for folder names.
#include <windows.h>
// windows.h first: the shell header needs its types.
#include <shlobj.h>

#include "core/size_format.hpp"
#include "core/win32/win_text.hpp"
#include "format/script_options.hpp"
#include "package/language_strings.hpp"
#include "package/package_startup.hpp"
#include "run/run_state.hpp"
#include "ui/page_frame.hpp"
#include "ui/page_rules.hpp"
#include "ui/resources/page_ids.h"
#include "ui/wizard_pages.hpp"

namespace valdorine {
namespace {

constexpr int kMaxFolderLength = 259;

// An item list that the shell allocated.
struct ShellItemList {
  LPITEMIDLIST items = nullptr;
  ~ShellItemList() { CoTaskMemFree(items); }
};

int CALLBACK SelectStartFolder(HWND browser, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

// The system's folder browser below `root` (null: everything), starting at `start`; the chosen
// folder, or empty when none was chosen.
String BrowseForFolder(HWND owner, const String& title, LPCITEMIDLIST root, const String& start) {
  BROWSEINFOW browse{};
  browse.hwndOwner = owner;
  browse.pidlRoot = root;
  browse.lpszTitle = WinText(title);
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  browse.lpfn = SelectStartFolder;
  browse.lParam = reinterpret_cast<LPARAM>(WinText(start));
  ShellItemList chosen{SHBrowseForFolderW(&browse)};
  wchar_t path[MAX_PATH] = {};
  if (!chosen.items || !SHGetPathFromIDListW(chosen.items, path)) return {};
  return FromWinText(path);
}

class FolderPage : public StyledPage {
 public:
  FolderPage(const char16_t* family, uint32_t style, String& folder) : StyledPage(family, style), folder_(folder) {}
  void Start(HWND page) override {
    const HWND edit = GetDlgItem(page, IDC_FOLDER);
    SendMessageW(edit, EM_LIMITTEXT, kMaxFolderLength, 0);
    SetWindowTextW(edit, WinText(folder_));
    Changed(page);
  }
  bool Command(HWND page, int id, int code) override {
    if (id == IDC_FOLDER && code == EN_CHANGE) {
      Changed(page);
      return true;
    }
    if (id != IDC_BROWSE || code != BN_CLICKED) return false;
    const String chosen = Browse(page, ControlText(page, IDC_FOLDER));
    if (!chosen.IsEmpty()) SetControlText(page, IDC_FOLDER, chosen);
    SetFocus(GetDlgItem(page, IDC_FOLDER));
    return true;
  }
  bool Accept(HWND page) override {
    folder_ = ControlText(page, IDC_FOLDER);
    return true;
  }

 protected:
  // The edit's text changed (or was first set).
  virtual void Changed(HWND page) = 0;
  // The folder chosen with Browse, as the edit shows it; empty when none was chosen.
  virtual String Browse(HWND page, const String& current) = 0;

 private:
  String& folder_;
};

class ChooseDirPage : public FolderPage {
 public:
  ChooseDirPage(String& folder, uint64_t (*required_space)(const String&))
      : FolderPage(u"ChooseDirDlg", Script().Display.ChooseDirPageStyle, folder), required_space_(required_space) {}
  String Header() const override { return LanguageString(24); }
  void Label(HWND page) override {
    const bool start_menu_follows = (Run().options.word2 & option2::kStartMenuPage) != 0;
    SetControlText(page, IDC_MAIN_TEXT, LanguageString(11));
    SetControlText(page, IDC_BROWSE, LanguageString(52));
    SetControlText(page, IDC_FORWARD, LanguageString(start_menu_follows ? 48 : 90));
    SetControlText(page, IDC_BACK_OUT, LanguageString(49));
  }

 protected:
  // The space lines, when the package asks for them.
  void Changed(HWND page) override {
    if ((Run().package_flags & package_flag::kDiskSpaceOnChooseDir) == 0 || !required_space_) return;
    const String folder = ControlText(page, IDC_FOLDER);
    SetControlText(page, IDC_SPACE_REQUIRED, SpaceLine(92, required_space_(folder)));
    const bool drive_named = folder.WideAt(1) == u':' && folder.WideAt(0) != 0;
    const char16_t root[] = {folder.WideAt(0), u':', u'\\', 0};
    const bool drive_exists = drive_named && GetDriveTypeW(reinterpret_cast<const wchar_t*>(root)) > DRIVE_NO_ROOT_DIR;
    ULARGE_INTEGER free_space{};
    if (drive_exists) GetDiskFreeSpaceExW(reinterpret_cast<const wchar_t*>(root), &free_space, nullptr, nullptr);
    SetControlText(page, IDC_SPACE_FREE, drive_exists ? SpaceLine(93, free_space.QuadPart) : String());
  }
  String Browse(HWND page, const String& current) override {
    ShellItemList computer;
    if ((Run().options.word2 & option2::kRefuseNetworkFolder) != 0) {
      SHGetSpecialFolderLocation(page, CSIDL_DRIVES, &computer.items);
    }
    return BrowseForFolder(page, LanguageString(11), computer.items, current);
  }

 private:
  static String SpaceLine(int label, uint64_t bytes) {
    return ConcatWide(LanguageString(label).Wide(), u" ", FormatSize(static_cast<int64_t>(bytes)).Wide(), nullptr);
  }

  uint64_t (*required_space_)(const String&);
};

class StartMenuPage : public FolderPage {
 public:
  explicit StartMenuPage(String& folder) : FolderPage(u"StartMenuDlg", Script().Display.StartMenuPageStyle, folder) {}
  String Header() const override { return LanguageString(89); }
  void Label(HWND page) override {
    SetControlText(page, IDC_MAIN_TEXT, LanguageString(88));
    SetControlText(page, IDC_BROWSE, LanguageString(52));
    SetControlText(page, IDC_FORWARD, LanguageString(90));
    SetControlText(page, IDC_BACK_OUT, LanguageString(49));
  }

 protected:
  void Changed(HWND page) override {
    EnableWindow(GetDlgItem(page, IDC_FORWARD), StartMenuNameAllowed(ControlText(page, IDC_FOLDER)));
  }
  // Below the start menu's Programs folder (the all-users one for an all-users installation); the
  // chosen folder is shown relative to it.
  String Browse(HWND page, const String& current) override {
    const int programs = Script().ShortcutMode == 1 ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS;
    ShellItemList root;
    wchar_t root_path[MAX_PATH] = {};
    if (FAILED(SHGetSpecialFolderLocation(page, programs, &root.items)) || !SHGetPathFromIDListW(root.items, root_path)) {
      return {};
    }
    const String base = FromWinText(root_path);
    const String start = current.IsEmpty() ? base : ConcatWide(base.Wide(), u"\\", current.Wide(), nullptr);
    const String chosen = BrowseForFolder(page, LanguageString(88), root.items, start);
    if (chosen.IsEmpty() || !chosen.StartsWithIgnoreCase(base.Wide())) return {};
    const String relative = chosen.Substring(base.WideLength());
    return relative.WideAt(0) == u'\\' ? relative.Substring(1) : relative;
  }
};

}  // namespace

PageResult ShowChooseDirPage(String& folder, uint64_t (*required_space)(const String& folder)) {
  ChooseDirPage page(folder, required_space);
  return ShowPage(page, PageResult::kAccepted);
}

PageResult ShowStartMenuPage(String& folder) {
  StartMenuPage page(folder);
  return ShowPage(page, PageResult::kAccepted);
}

}  // namespace valdorine
