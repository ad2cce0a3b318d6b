#include "uninstall/font_removal.hpp"

#include <windows.h>

#include "core/path_text.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/safe_delete.hpp"
#include "core/win32/system_info.hpp"
#include "core/win32/win_text.hpp"
#include "package/language_message.hpp"
#include "package/language_strings.hpp"
#include "paths/path_variables.hpp"
#include "ui/message_boxes.hpp"
#include "uninstall/quoted_texts.hpp"

namespace valdorine {
namespace {

constexpr char16_t kNtFontsKey[] = u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
constexpr char16_t k9xFontsKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";
constexpr int kRemoveFontQuestion = 56;
constexpr int kRemoveFontCaption = 57;

void RemoveFont(const InstalledFont& font) {
  RegKey key;
  const char16_t* fonts_key = OsVersion().nt_platform ? kNtFontsKey : k9xFontsKey;
  if (key.OpenKey(HKEY_LOCAL_MACHINE, String::FromWide(fonts_key), reg_key::kOpenOnly | reg_key::kDefaultSecurity,
                  reg_access::kAll) != open_key_result::kFailed) {
    key.DeleteValue(font.name);
  }
  RemoveFontResourceW(WinText(font.file_name));
  DeleteFileAt(JoinPath(PathVariableValue(PathVariable::kFontDir, RunPathVariables()), font.file_name));
}

}  // namespace

Array<InstalledFont> ParseProductFonts(const String& value) {
  const Array<String> texts = QuotedTexts(value);
  Array<InstalledFont> fonts;
  for (int i = 0; i + 1 < texts.Count(); i += 2) {
    fonts.Append({WideFromNarrow(texts[i], code_page::kUtf8), WidePathFromNarrow(texts[i + 1])});
  }
  return fonts;
}

void RemoveFonts(const Array<InstalledFont>& fonts, bool ask) {
  bool removed = false;
  for (const InstalledFont& font : fonts) {
    if (ask && !AskYesNo(LanguageMessage(kRemoveFontQuestion, {font.name}), LanguageString(kRemoveFontCaption))) {
      continue;
    }
    RemoveFont(font);
    removed = true;
  }
  if (removed) SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 1000, nullptr);
}

}  // namespace valdorine
