#include "core/win32/registry.hpp"

#include <cmath>
#include <cstring>

#include "core/decimal_parse.hpp"
#include "core/string_format.hpp"
#include "core/win32/key_security.hpp"
#include "core/win32/registry_path.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

constexpr uint32_t kViewBits = reg_key::kView64 | reg_key::kView32;
constexpr int kMaxKeyNameLength = 255;

// Turns a registry status into the bool result, setting the system error on failure (the registry
// functions return their error instead of setting it).
bool Succeeded(LSTATUS status) {
  if (status == ERROR_SUCCESS) return true;
  SetLastError(static_cast<DWORD>(status));
  return false;
}

LSTATUS CreateKeyWith(HKEY root, const String& subkey, REGSAM mask, SECURITY_ATTRIBUTES* security, HKEY* key,
                      DWORD* disposition) {
  return RegCreateKeyExW(root, WinText(subkey), 0, nullptr, REG_OPTION_NON_VOLATILE, mask, security, key,
                         disposition);
}

// Creates or opens the key; with shared write access a new key gets the Everyone access list,
// falling back to the default security when that cannot be built or used.
LSTATUS CreateKey(HKEY root, const String& subkey, REGSAM mask, bool shared_write, HKEY* key, DWORD* disposition) {
  if (shared_write) {
    SharedWriteKeySecurity security;
    if (security.Build() &&
        CreateKeyWith(root, subkey, mask, security.Attributes(), key, disposition) == ERROR_SUCCESS) {
      return ERROR_SUCCESS;
    }
  }
  return CreateKeyWith(root, subkey, mask, nullptr, key, disposition);
}

String WithoutTrailingBackslashes(const String& subkey) {
  int length = subkey.WideLength();
  while (length > 0 && subkey.WideAt(length - 1) == u'\\') --length;
  return subkey.Substring(0, length);
}

// "HKEY_LOCAL_MACHINE\" + subkey + "\" (the root part only for the predefined roots).
String DisplayNameFor(HKEY root, const String& subkey) {
  String name;
  if (const RegistryRoot* known = FindRegistryRoot(root)) {
    name.AppendWide(known->full_name);
    name.AppendWideChar(u'\\');
  }
  if (!subkey.IsEmpty()) {
    name.Append(subkey);
    name.AppendWideChar(u'\\');
  }
  return name;
}

String ValueName(const String& name, uint32_t flags) {
  return (flags & reg_value::kAnsiName) ? WideFromNarrow(name, code_page::kAnsi) : name;
}

// The writers' "delete instead": a value that is already absent counts as deleted.
bool DeleteInstead(HKEY key, const String& name, uint32_t flags) {
  const LSTATUS status = RegDeleteValueW(key, WinText(ValueName(name, flags)));
  return status == ERROR_FILE_NOT_FOUND || Succeeded(status);
}

// The shortest decimal text that reads back as the same number, without an exponent: the fewest
// fraction digits with which the conversion round-trips. (std::to_chars would give the same text
// but links in over 180 KB of tables.)
String DecimalText(double value) {
  constexpr int kMostFractionDigits = 340;  // enough for the smallest subnormal number
  char digits[kMostFractionDigits + 320];
  for (int fraction_digits = 0; fraction_digits <= kMostFractionDigits; ++fraction_digits) {
    FormatInto(digits, sizeof digits, "%.*f", fraction_digits, value);
    if (!std::isfinite(value) || ParseDecimal(digits) == value) break;
  }
  return WideFromNarrow(String::FromNarrow(digits), code_page::kUtf8);
}

template <typename Number>
bool ReadNumber(const String& data, DWORD type, DWORD expected_type, Number& value) {
  if (type != expected_type || data.Length() != static_cast<int>(sizeof(Number))) {
    SetLastError(ERROR_UNSUPPORTED_TYPE);
    return false;
  }
  std::memcpy(&value, data.Bytes(), sizeof(Number));
  return true;
}

}  // namespace

int RegKey::OpenKey(HKEY root, const String& subkey, uint32_t flags, REGSAM access) {
  SetAsidePrevious(flags);
  if (root == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return open_key_result::kFailed;
  }
  const String clean_subkey = WithoutTrailingBackslashes(subkey);
  const REGSAM mask = access | (flags & kViewBits);
  HKEY key = nullptr;
  DWORD disposition = REG_OPENED_EXISTING_KEY;
  const LSTATUS status =
      (flags & reg_key::kOpenOnly)
          ? RegOpenKeyExW(root, WinText(clean_subkey), 0, mask, &key)
          : CreateKey(root, clean_subkey, mask, !(flags & reg_key::kDefaultSecurity), &key, &disposition);
  if (!Succeeded(status)) return open_key_result::kFailed;
  key_.Reset(key);
  name_ = DisplayNameFor(root, clean_subkey);
  return disposition == REG_CREATED_NEW_KEY ? open_key_result::kCreated : open_key_result::kOpened;
}

int RegKey::OpenKey(const String& path, uint32_t flags, REGSAM access) {
  SetAsidePrevious(flags);
  RegistryPath parsed;
  if (!ParseRegistryPath(path, parsed)) return open_key_result::kFailed;
  return OpenKey(parsed.root->handle, parsed.subkey, flags | reg_key::kForgetPrevious, access);
}

void RegKey::SetAsidePrevious(uint32_t flags) {
  if (IsOpen() && !(flags & reg_key::kForgetPrevious)) {
    previous_key_ = std::move(key_);
    previous_name_ = std::move(name_);
  }
  Close();
}

void RegKey::Close() {
  key_.Reset();
  name_.Release();
}

bool RegKey::SetValue(const String& name, uint32_t type, const void* data, uint32_t size, uint32_t flags) {
  return Succeeded(RegSetValueExW(key_.Get(), WinText(ValueName(name, flags)), 0, type,
                                  static_cast<const BYTE*>(data), size));
}

bool RegKey::SetString(const String& name, const String& text, uint32_t flags) {
  if ((flags & reg_value::kDeleteIfEmpty) && text.IsEmpty()) return DeleteInstead(key_.Get(), name, flags);
  if (flags & reg_value::kMultiString) {
    String list = text;
    list.AppendWideChar(0);  // the list ends with an empty item
    return SetValue(name, REG_MULTI_SZ, list.Wide(), static_cast<uint32_t>(list.Length()) + 2, flags);
  }
  const DWORD type = (flags & reg_value::kExpandString) ? REG_EXPAND_SZ : REG_SZ;
  return SetValue(name, type, text.Wide(), static_cast<uint32_t>(text.Length()) + 2, flags);
}

bool RegKey::SetDword(const String& name, uint32_t value, uint32_t flags) {
  if ((flags & reg_value::kDeleteIfEmpty) && value == 0) return DeleteInstead(key_.Get(), name, flags);
  return SetValue(name, REG_DWORD, &value, sizeof(value), flags);
}

bool RegKey::SetBool(const String& name, bool value, uint32_t flags) {
  const uint32_t number = value ? 1 : 0;
  return SetValue(name, REG_DWORD, &number, sizeof(number), flags);
}

bool RegKey::SetQword(const String& name, uint64_t value, uint32_t flags) {
  if ((flags & reg_value::kDeleteIfEmpty) && value == 0) return DeleteInstead(key_.Get(), name, flags);
  return SetValue(name, REG_QWORD, &value, sizeof(value), flags);
}

bool RegKey::SetDouble(const String& name, double value, uint32_t flags) {
  const String text = DecimalText(value);
  return SetValue(name, REG_SZ, text.Wide(), static_cast<uint32_t>(text.Length()) + 2, flags);
}

bool RegKey::DeleteValue(const String& name, uint32_t flags) {
  return Succeeded(RegDeleteValueW(key_.Get(), WinText(ValueName(name, flags))));
}

bool RegKey::ReadRaw(const String& name, DWORD& type, String& data) const {
  // A value that grows between measuring and reading is measured again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key_.Get(), WinText(name), nullptr, &type, nullptr, &size);
    if (!Succeeded(status)) return false;
    data.SetExactLength(static_cast<int>(size));
    if (size == 0) return true;
    status = RegQueryValueExW(key_.Get(), WinText(name), nullptr, &type,
                              reinterpret_cast<BYTE*>(data.MutableNarrow()), &size);
    if (status == ERROR_MORE_DATA) continue;
    if (!Succeeded(status)) return false;
    data.SetLength(static_cast<int>(size));
    return true;
  }
  SetLastError(ERROR_MORE_DATA);
  return false;
}

bool RegKey::ReadString(const String& name, String& text) const {
  DWORD type = REG_NONE;
  String data;
  if (!ReadRaw(name, type, data)) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) {
    SetLastError(ERROR_UNSUPPORTED_TYPE);
    return false;
  }
  const char16_t* characters = data.Wide();
  int count = data.Length() / 2;
  if (type == REG_MULTI_SZ) {
    while (count > 0 && characters[count - 1] == 0) --count;
  } else {
    int end = 0;
    while (end < count && characters[end] != 0) ++end;
    count = end;
  }
  text = String::FromBytes(characters, count * 2);
  return true;
}

bool RegKey::ReadDword(const String& name, uint32_t& value) const {
  DWORD type = REG_NONE;
  String data;
  return ReadRaw(name, type, data) && ReadNumber(data, type, REG_DWORD, value);
}

bool RegKey::ReadQword(const String& name, uint64_t& value) const {
  DWORD type = REG_NONE;
  String data;
  return ReadRaw(name, type, data) && ReadNumber(data, type, REG_QWORD, value);
}

Array<String> RegKey::SubkeyNames() const {
  Array<String> names;
  wchar_t name[kMaxKeyNameLength + 1];
  for (DWORD index = 0;; ++index) {
    DWORD length = kMaxKeyNameLength + 1;
    if (RegEnumKeyExW(key_.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.Append(FromWinText(name, static_cast<int>(length)));
  }
  return names;
}

bool KeyExists(HKEY root, const String& subkey, uint32_t flags) {
  const REGSAM rights = (flags & reg_key::kTestReadAccess) ? reg_access::kRead : reg_access::kAll;
  const REGSAM access = rights | (flags & kViewBits);
  UniqueRegistryKey key;
  return Succeeded(RegOpenKeyExW(root, WinText(subkey), 0, access, key.Receive()));
}

}  // namespace valdorine
