#include "operations/firewall_rules.hpp"

#include <gtest/gtest.h>

#include <string>

#include "../fatal_capture.hpp"
#include "format/install_script.hpp"

namespace valdorine {
namespace {

InstallScript ScriptWithFirewallList(const std::string& list) {
  InstallScript script;
  script.FirewallList = String::FromBytes(list.data(), static_cast<int>(list.size()));
  return script;
}

// Every line, the last one too, needs exactly four fields; the check comes before any rule is
// applied, so a bad line anywhere ends the run with nothing opened.
TEST(FirewallRulesDeathTest, ALineWithoutFourFieldsIsACorruptPackage) {
  const char* lists[] = {
      "8080;Web;1",                      // three fields
      "8080;Web;1;0;extra",              // five
      "8080;Web;1;0\r\nviewer.exe;;0",   // the last line short
      "viewer.exe\n8080;Web;1;0",        // a first line without any separator
  };
  for (const char* list : lists) {
    SCOPED_TRACE(list);
    EXPECT_EXIT(
        {
          testing::ShowFatalTextVisibly();
          OpenFirewallExceptions(ScriptWithFirewallList(list));
        },
        ::testing::ExitedWithCode(1), "Error code: 90$");
  }
}

TEST(FirewallRules, FourFieldsOnEveryLinePassTheCheck) {
  // Whether or not the firewall service can be reached from here, the step returns.
  OpenFirewallExceptions(ScriptWithFirewallList("8080;Web;3;\r\n;;;\r\n"));
}

}  // namespace
}  // namespace valdorine
