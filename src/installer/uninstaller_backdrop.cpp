#include "installer/uninstaller_backdrop.hpp"

#include <cstdlib>

#include "core/decimal_parse.hpp"
#include "core/file_errors.hpp"
#include "core/win32/disk_file.hpp"
#include "format/script_options.hpp"
#include "run/run_state.hpp"
#include "run/run_switches.hpp"
#include "ui/background_window.hpp"

namespace valdorine {
namespace {

String Text(const RegKey& key, const char16_t* name) {
  String text;
  if (!key.ReadString(String::FromWide(name), text)) return {};
  return text;
}

uint32_t Number(const RegKey& key, const char16_t* name) {
  uint32_t value = 0;
  return key.ReadDword(String::FromWide(name), value) ? value : 0;
}

double Decimal(const RegKey& key, const char16_t* name) {
  return ParseDecimal(NarrowFromWide(Text(key, name), code_page::kUtf8).Narrow());
}

// The copyright colour is kept as "RRGGBB" text.
uint32_t Colour(const RegKey& key, const char16_t* name) {
  const unsigned long rgb = std::strtoul(NarrowFromWide(Text(key, name), code_page::kUtf8).Narrow(), nullptr, 16);
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

BackdropLook StoredLook(const RegKey& key, const String& product_name) {
  BackdropLook look;
  look.caption = Text(key, u"TaskbarText");
  String title = Text(key, u"DisplayTitle");
  if (title.IsBlank()) title = product_name;
  look.title = {title, Text(key, u"TitleFont"), Decimal(key, u"TitleSize") * backdrop::kTitlePointsPerSize, Number(key, u"TitleColor"),
                Number(key, u"TitleShadow"), Number(key, u"TitlePosition")};
  look.copyright = {Text(key, u"CopyrightText"), Text(key, u"CopyrightFont"),
                    Decimal(key, u"CopyrightSize") * backdrop::kCopyrightPointsPerSize, Colour(key, u"CopyrightColor"), 0,
                    Number(key, u"CopyrightPos")};
  look.top_colour = Number(key, u"TopColor");
  look.bottom_colour = Number(key, u"BottomColor");
  look.one_colour = Number(key, u"MonoColor") != 0;
  look.picture_percent = Number(key, u"BitmapSize");
  look.stretch_mode = Number(key, u"StretchMode");
  look.maximised = (Run().options.word2 & option2::kMaximisedBackground) != 0;
  return look;
}

}  // namespace

void ShowUninstallerBackdrop(const RegKey& product_key, const String& product_name, const String& uninstall_dir) {
  if (Switches().silent_mode || (Run().options.word1 & option1::kNoBackgroundWindow) != 0) return;
  BackdropLook look = StoredLook(product_key, product_name);
  if (look.picture_percent > 0 &&
      ReadWholeFile(JoinPath(uninstall_dir, String::FromWide(u"Installer Background.bmp")), look.picture) !=
          file_error::kSuccess) {
    look.picture = String();
  }
  CreateBackgroundWindow(look, Switches().minimised_start);
}

}  // namespace valdorine
