#include "uninstall/uninstaller_state.hpp"

#include "core/path_text.hpp"

namespace valdorine {
namespace {

constexpr int kBatchCodePage = 1252;

String ReadText(const RegKey& key, const char16_t* name) {
  String text;
  if (!key.ReadString(String::FromWide(name), text)) return {};
  return text;
}

uint32_t ReadNumber(const RegKey& key, const char16_t* name, uint32_t fallback) {
  uint32_t value = fallback;
  if (!key.ReadDword(String::FromWide(name), value)) return fallback;
  return value;
}

String ReadAnsi(const RegKey& key, const char16_t* name, int code_page) {
  return NarrowFromWide(ReadText(key, name), code_page);
}

}  // namespace

uint64_t ParseOptionWord(const String& text) {
  int index = 0;
  while (text.WideAt(index) == u' ') ++index;
  const bool negative = text.WideAt(index) == u'-';
  if (negative) ++index;
  uint64_t value = 0;
  for (char16_t c = text.WideAt(index); c >= u'0' && c <= u'9'; c = text.WideAt(++index)) {
    value = value * 10 + static_cast<uint64_t>(c - u'0');
  }
  return negative ? 0 - value : value;
}

bool ReadUninstallerState(const RegKey& key, const String& key_name, UninstallerState& state) {
  state.product_name = ReadText(key, u"DisplayName");
  if (state.product_name.IsBlank()) state.product_name = key_name;
  state.install_dir = WithoutTrailingSeparators(ReadText(key, u"InstallLocation"));
  if (state.install_dir.IsBlank()) return false;
  state.flags = ParseOptionWord(ReadText(key, u"ProductFlags"));
  state.flags2 = static_cast<uint32_t>(ParseOptionWord(ReadText(key, u"ProductFlags2")));
  state.product_64bit = ReadNumber(key, u"Bitness", 0) == 1;
  state.version = ReadText(key, u"DisplayVersion");
  state.uninstall_subdir = ReadText(key, u"UninstallSubdir");
  state.add_to_path_subfolder = ReadText(key, u"AddToPathSubfolder");
  state.product_fonts = ReadText(key, u"ProductFonts");
  state.all_users = ReadNumber(key, u"ShortcutMode", 0) == 1;
  state.notify_url = ReadAnsi(key, u"NotifyURL", code_page::kAnsi);
  state.desktop_folder = ReadText(key, u"DesktopFolder");
  state.support_offer = ReadText(key, u"SupportOffer");
  state.progress_page_style = ReadNumber(key, u"ProgressPageStyle", 1);
  state.header_text_colour = ReadNumber(key, u"HeaderTextColor", 0);
  state.picture_border = static_cast<uint8_t>(ReadNumber(key, u"PictureBorder", 0));
  if (!key.ReadQword(String::FromWide(u"Session"), state.session)) state.session = 0;
  state.shared_path = ReadText(key, u"SharedPath");
  state.start_menu = ReadText(key, u"ProductStartMenu");
  state.uninstall_batch1 = ReadAnsi(key, u"UninstallBatch1", kBatchCodePage);
  state.shared_files = ReadAnsi(key, u"SharedFiles", code_page::kAnsi);
  state.product_registry = ReadText(key, u"ProductRegistry");
  state.uninstall_batch2 = ReadAnsi(key, u"UninstallBatch2", kBatchCodePage);
  return true;
}

String UninstallerDataFolder(const UninstallerState& state) {
  if (state.uninstall_subdir.IsEmpty()) return state.install_dir;
  return JoinPath(state.install_dir, state.uninstall_subdir);
}

}  // namespace valdorine
