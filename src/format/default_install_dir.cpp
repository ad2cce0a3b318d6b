#include "format/default_install_dir.hpp"

namespace valdorine {
namespace {

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

}  // namespace

bool NamesMasterFolder(const String& wide_dir) { return EqualsIgnoreCase(wide_dir.Wide(), u"<master>"); }

bool NamesRegistryFolder(const String& wide_dir) {
  return wide_dir.StartsWithIgnoreCase(u"HKLM\\") || wide_dir.StartsWithIgnoreCase(u"HKCU\\");
}

bool IsAbsolutePath(const String& wide_path) {
  const bool drive = IsAsciiLetter(wide_path.WideAt(0)) && wide_path.WideAt(1) == u':';
  const bool network = wide_path.WideAt(0) == u'\\' && wide_path.WideAt(1) == u'\\';
  return drive || network;
}

String AbsoluteInstallDir(const String& wide_dir, const String& product_name, const String& program_files) {
  const String& dir = wide_dir.IsEmpty() ? product_name : wide_dir;
  if (NamesMasterFolder(dir) || NamesRegistryFolder(dir) || IsAbsolutePath(dir)) return dir;
  return JoinPath(program_files, dir);
}

}  // namespace valdorine
