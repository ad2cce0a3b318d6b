// The installer's side of the install script: the default installation folder on this system, the
// automatic mode that the script decides, and the language strings with their placeholders.
#include <gtest/gtest.h>

#include "core/win32/system_folders.hpp"
#include "package/install_script_setup.hpp"
#include "package/language_strings.hpp"
#include "run/run_switches.hpp"

namespace valdorine {
namespace {

String Wide(const char16_t* text) { return String::FromWide(text); }

TEST(InstallScriptSetup, DefaultInstallDirGetsTheSystemNameAndTheProgramFilesFolder) {
  InstallScript script;
  script.ProductName = Wide(u"Hello");
  script.DefaultInstallDir = Wide(u"Hello for <os>");
  ResolveDefaultInstallDir(script);
  String expected = JoinPath(ProgramFilesFolder(folder_kind::k32Bit), Wide(u"Hello for "));
  expected.Append(SystemName());
  EXPECT_EQ(script.DefaultInstallDir, expected);

  script.Bitness = 1;
  script.DefaultInstallDir = String();
  ResolveDefaultInstallDir(script);
  EXPECT_EQ(script.DefaultInstallDir, JoinPath(ProgramFilesFolder(folder_kind::k64Bit), Wide(u"Hello")));
}

TEST(InstallScriptSetup, ScriptDecidesAutomaticModeAndProvidesTheLanguageStrings) {
  static InstallScript script;  // the language strings refer to it for the rest of the run
  script.ProductName = Wide(u"Hello");
  script.ProductDescription = Wide(u"Greeter");
  script.AutomaticMode = 1;
  for (const char16_t* name : {u"Deutsch", u"English"}) script.Languages.names.Append(Wide(name));
  script.Languages.string_count = 1;
  script.Languages.texts.Append(Wide(u"<product> installieren"));
  script.Languages.texts.Append(Wide(u"Install <product> (<description>) on <os>"));

  Switches().automatic_mode = false;
  ApplyInstallScript(script);
  EXPECT_TRUE(Switches().automatic_mode);
  String expected = Wide(u"Install Hello (Greeter) on ");
  expected.Append(SystemName());
  EXPECT_EQ(LanguageString(0), expected);
  EXPECT_TRUE(LanguageString(1).IsEmpty());

  SetLanguage(0);
  EXPECT_EQ(LanguageString(0), Wide(u"Hello installieren"));
  SetLanguage(5);
  EXPECT_EQ(CurrentLanguage(), 0);
}

}  // namespace
}  // namespace valdorine
