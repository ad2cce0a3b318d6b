#include "paths/variable_tokens.hpp"

#include <cstring>
#include <iterator>
#include <string>
#include <utility>

namespace valdorine {

const PathVariableToken kPathVariableTokens[54] = {
    {PathVariable::kAppDataAllDir, u"%AppDataAllDir%", false},
    {PathVariable::kAppDataDir, u"%AppDataDir%", false},
    {PathVariable::kAutomatic, u"%Automatic%", false},
    {PathVariable::kBits, u"%Bits%", false},
    {PathVariable::kBootDrive, u"%BootDrive%", false},
    {PathVariable::kCommonDir, u"%CommonDir%", false},
    {PathVariable::kCommonDir32, u"%CommonDir32%", false},
    {PathVariable::kCommonDir64, u"%CommonDir64%", false},
    {PathVariable::kDesktopAllDir, u"%DesktopAllDir%", false},
    {PathVariable::kDesktopDir, u"%DesktopDir%", false},
    {PathVariable::kDesktopShortcuts, u"%DesktopShortcuts%", false},
    {PathVariable::kDeviceDir, u"%DeviceDir%", false},
    {PathVariable::kDocumentAllDir, u"%DocumentAllDir%", false},
    {PathVariable::kDocumentDir, u"%DocumentDir%", false},
    {PathVariable::kExisting, u"%Existing%", false},
    {PathVariable::kFavoritesAllDir, u"%FavoritesAllDir%", false},
    {PathVariable::kFavoritesDir, u"%FavoritesDir%", false},
    {PathVariable::kFontDir, u"%FontDir%", false},
    {PathVariable::kInetpub, u"%Inetpub%", false},
    {PathVariable::kInstallDir, u"%InstallDir%", false},
    {PathVariable::kInstallDrive, u"%InstallDrive%", false},
    {PathVariable::kInstallerDir, u"%InstallerDir%", false},
    {PathVariable::kInstallerDrive, u"%InstallerDrive%", false},
    {PathVariable::kInstallerFilename, u"%InstallerFilename%", false},
    {PathVariable::kInstallerFilepath, u"%InstallerFilepath%", false},
    {PathVariable::kMediaDir, u"%MediaDir%", false},
    {PathVariable::kOldVersion, u"%OldVersion%", false},
    {PathVariable::kOldVersionMajor, u"%OldVersionMajor%", true},
    {PathVariable::kOldVersionMinor, u"%OldVersionMinor%", true},
    {PathVariable::kPortable, u"%Portable%", false},
    {PathVariable::kProductName, u"%ProductName%", false},
    {PathVariable::kCompanyName, u"%CompanyName%", false},
    {PathVariable::kProgramsDir, u"%ProgramsDir%", false},
    {PathVariable::kProgramsDir32, u"%ProgramsDir32%", false},
    {PathVariable::kProgramsDir64, u"%ProgramsDir64%", false},
    {PathVariable::kSharedDir, u"%SharedDir%", false},
    {PathVariable::kSMProgramsAllDir, u"%SMProgramsAllDir%", false},
    {PathVariable::kSMProgramsDir, u"%SMProgramsDir%", false},
    {PathVariable::kStartMenuAllDir, u"%StartMenuAllDir%", false},
    {PathVariable::kStartMenuChosen, u"%StartMenuChosen%", false},
    {PathVariable::kStartMenuDir, u"%StartMenuDir%", false},
    {PathVariable::kStartupAllDir, u"%StartupAllDir%", false},
    {PathVariable::kStartupDir, u"%StartupDir%", false},
    {PathVariable::kSystemDir, u"%SystemDir%", false},
    {PathVariable::kTemp, u"%Temp%", false},
    {PathVariable::kUninstallDir, u"%UninstallDir%", false},
    {PathVariable::kVersion, u"%Version%", false},
    {PathVariable::kWinDir, u"%WinDir%", false},
    {PathVariable::kOS, u"%OS%", false},
    {PathVariable::kOSMajor, u"%OSMajor%", false},
    {PathVariable::kOSMinor, u"%OSMinor%", false},
    {PathVariable::kOSName, u"%OSName%", false},
    {PathVariable::kOSDescription, u"%OSDescription%", false},
    {PathVariable::kOSServer, u"%OSServer%", false},
};

static_assert(static_cast<int>(PathVariable::kOSServer) + 1 == std::size(kPathVariableTokens));

namespace {

int CharCount(const char16_t* text) { return static_cast<int>(std::char_traits<char16_t>::length(text)); }

// Whether the token stands at character `at` of the text. Every token begins with "%", so only
// those positions are compared in full.
bool TokenAt(const String& text, int at, const PathVariableToken& token, int token_chars) {
  if (text.WideAt(at) != u'%' || at + token_chars > text.WideLength()) return false;
  const char16_t* start = text.Wide() + at;
  if (token.exact_case) return std::memcmp(start, token.token, static_cast<size_t>(token_chars) * sizeof(char16_t)) == 0;
  return EqualsIgnoreCase(text.Substring(at, token_chars).Wide(), token.token);
}

// The first occurrence of the token at or after character `from`, or -1.
int FindToken(const String& text, int from, const PathVariableToken& token, int token_chars) {
  for (int at = from; at + token_chars <= text.WideLength(); ++at) {
    if (TokenAt(text, at, token, token_chars)) return at;
  }
  return -1;
}

// Replaces every occurrence, scanning on after each inserted value.
void ReplaceToken(String& text, int first, const PathVariableToken& token, int token_chars, const String& value) {
  const auto append_chars = [&text](String& to, int from, int end) {
    to.AppendBytes(text.Wide() + from, (end - from) * static_cast<int>(sizeof(char16_t)));
  };
  String result;
  int copied = 0;
  for (int at = first; at >= 0; at = FindToken(text, copied, token, token_chars)) {
    append_chars(result, copied, at);
    result.Append(value);
    copied = at + token_chars;
  }
  append_chars(result, copied, text.WideLength());
  text = std::move(result);
}

}  // namespace

String PathVariableName(const PathVariableToken& token) {
  return String::FromWide(token.token + 1, CharCount(token.token) - 2);
}

void ReplacePathVariableTokens(String& text, const std::function<String(PathVariable)>& value_of) {
  for (const PathVariableToken& token : kPathVariableTokens) {
    const int token_chars = CharCount(token.token);
    const int first = FindToken(text, 0, token, token_chars);
    if (first >= 0) ReplaceToken(text, first, token, token_chars, value_of(token.variable));
  }
}

}  // namespace valdorine
