#include "paths/variable_tokens.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "string_test_support.hpp"

namespace valdorine {
namespace {

using testing::WideOf;

// Replaces with fixed values and records which variables were asked for.
class FakeValues {
 public:
  explicit FakeValues(std::map<PathVariable, const char16_t*> values) : values_(std::move(values)) {}

  std::u16string Expand(const char16_t* text) {
    String expanded = String::FromWide(text);
    ReplacePathVariableTokens(expanded, [this](PathVariable variable) {
      asked_.push_back(variable);
      const auto found = values_.find(variable);
      return String::FromWide(found == values_.end() ? u"?" : found->second);
    });
    return WideOf(expanded);
  }
  const std::vector<PathVariable>& Asked() const { return asked_; }

 private:
  std::map<PathVariable, const char16_t*> values_;
  std::vector<PathVariable> asked_;
};

struct Expansion {
  const char16_t* text;
  const char16_t* expected;
};

TEST(VariableTokens, CaseRules) {
  FakeValues values({{PathVariable::kInstallDir, u"C:\\App"},
                     {PathVariable::kOldVersionMajor, u"3"},
                     {PathVariable::kOldVersion, u"3.1"}});
  const Expansion rows[] = {
      {u"%InstallDir%\\bin", u"C:\\App\\bin"},
      {u"%installdir%\\bin", u"C:\\App\\bin"},
      {u"%INSTALLDIR%", u"C:\\App"},
      {u"%OldVersionMajor%", u"3"},
      {u"%oldversionmajor%", u"%oldversionmajor%"},  // matched only as spelled
      {u"%oldversion%", u"3.1"},
  };
  for (const Expansion& row : rows) EXPECT_EQ(values.Expand(row.text), row.expected);
}

TEST(VariableTokens, EveryOccurrenceAndNothingElse) {
  FakeValues values({{PathVariable::kInstallDir, u"C:\\App"}});
  const Expansion rows[] = {
      {u"%InstallDir%;%InstallDir%%InstallDir%", u"C:\\App;C:\\AppC:\\App"},
      {u"%InstallDir", u"%InstallDir"},
      {u"InstallDir%", u"InstallDir%"},
      {u"%Foo% and 100%", u"%Foo% and 100%"},
      {u"no variables", u"no variables"},
      {u"", u""},
  };
  for (const Expansion& row : rows) EXPECT_EQ(values.Expand(row.text), row.expected);
}

// The rows apply one after another: a value is expanded further by the rows below its own, but not
// by the rows above it, and never by its own row again.
TEST(VariableTokens, ValuesMeetOnlyTheLaterRows) {
  FakeValues later({{PathVariable::kProductName, u"%Temp%\\x"}, {PathVariable::kTemp, u"C:\\Temp"}});
  EXPECT_EQ(later.Expand(u"%ProductName%"), u"C:\\Temp\\x");
  FakeValues earlier({{PathVariable::kProductName, u"%InstallDir%"}, {PathVariable::kInstallDir, u"C:\\App"}});
  EXPECT_EQ(earlier.Expand(u"%ProductName%"), u"%InstallDir%");
  FakeValues itself({{PathVariable::kInstallDir, u"[%InstallDir%]"}});
  EXPECT_EQ(itself.Expand(u"%InstallDir%%InstallDir%"), u"[%InstallDir%][%InstallDir%]");
}

TEST(VariableTokens, AsksOnlyForTheVariablesThatOccur) {
  FakeValues values({});
  values.Expand(u"%WinDir%\\%Temp%\\%WinDir%");
  EXPECT_EQ(values.Asked(), (std::vector<PathVariable>{PathVariable::kTemp, PathVariable::kWinDir}));
}

// Batch files get the variables under their names without percent signs.
TEST(VariableTokens, NamesAreTheTokensWithoutPercentSigns) {
  for (const PathVariableToken& token : kPathVariableTokens) {
    const std::u16string name = WideOf(PathVariableName(token));
    EXPECT_EQ(u"%" + name + u"%", std::u16string(token.token));
    EXPECT_EQ(name.find(u'%'), std::u16string::npos);
  }
}

}  // namespace
}  // namespace valdorine
