#include "core/win32/user_profiles.hpp"

#include "core/win32/registry.hpp"

namespace valdorine {
namespace {

constexpr char16_t kProfileListKey[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

bool EndsWithIgnoreCase(const String& text, const char16_t* suffix) {
  int suffix_length = 0;
  while (suffix[suffix_length] != 0) ++suffix_length;
  const int start = text.WideLength() - suffix_length;
  return start >= 0 && EqualsIgnoreCase(text.Substring(start).Wide(), suffix);
}

bool IsProfileHive(const String& name) {
  return !EqualsIgnoreCase(name.Wide(), u".DEFAULT") && !EndsWithIgnoreCase(name, u"_Classes");
}

}  // namespace

Array<String> ProfileHivesAmong(const Array<String>& hive_names) {
  Array<String> profiles;
  for (const String& name : hive_names) {
    if (IsProfileHive(name)) profiles.Append(name);
  }
  return profiles;
}

Array<String> ListUserProfiles() {
  RegKey key;
  const uint32_t flags = reg_key::kOpenOnly | reg_key::kForgetPrevious;
  if (key.OpenKey(HKEY_LOCAL_MACHINE, String::FromWide(kProfileListKey), flags, reg_access::kQuery)) {
    return key.SubkeyNames();
  }
  if (!key.OpenKey(HKEY_USERS, String(), flags, reg_access::kQuery)) return {};
  return ProfileHivesAmong(key.SubkeyNames());
}

Array<String> LoadedUserHives() {
  Array<String> loaded;
  for (const String& profile : ListUserProfiles()) {
    if (KeyExists(HKEY_USERS, profile, reg_key::kTestReadAccess)) loaded.Append(profile);
  }
  return loaded;
}

}  // namespace valdorine
