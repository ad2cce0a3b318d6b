#include "test_script_writer.hpp"

#include "format/install_script.hpp"
#include "format/package_layout.hpp"

namespace valdorine::builder {

std::vector<uint8_t> WriteTestScript(const TestScriptSettings& settings) {
  const String product = String::FromWide(settings.product_name.c_str());
  InstallScript script;
  script.ProductFlags = {settings.flag_word1 | kScriptFlagCompressedArchive, settings.flag_word2};
  script.TaskbarText = script.DisplayTitle = script.ProductName = script.DefaultInstallDir = product;
  script.TitleSize = 24.0;
  script.Publisher = String::FromWide(u"Valdorine Test");
  script.DisplayVersion = String::FromNarrow("1.0");
  script.UninstallerName = String::FromWide(u"uninstall.exe");
  script.TitleColor = 0xFFFFFF;
  script.TitleFont = String::FromNarrow("Arial");
  script.TopColor = 0x800000;
  script.ArchiveInFile = settings.archive_in_file ? 1 : 0;
  script.Display.IntegrityMode = settings.integrity_mode;
  script.Languages.names.Append(String::FromWide(u"English"));
  script.Languages.string_count = settings.string_count;
  script.Languages.texts.Resize(settings.string_count);

  std::vector<uint8_t> bytes;
  WriteScript(script, bytes);
  return bytes;
}

}  // namespace valdorine::builder
