// Registry keys and values: opening and creating keys in a chosen registry view, typed value writes
// that may delete instead of writing an empty value, and value reads.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/string.hpp"
#include "core/vector.hpp"
#include "core/win32/unique_handle.hpp"

namespace valdorine {

// Flags of OpenKey and KeyExists.
namespace reg_key {
inline constexpr uint32_t kForgetPrevious = 0x1;  // do not keep the previously open key
inline constexpr uint32_t kTestReadAccess = 0x4;  // KeyExists tests with read access
inline constexpr uint32_t kOpenOnly = 0x40;       // never create
inline constexpr uint32_t kView64 = 0x100;        // the 64-bit registry view (KEY_WOW64_64KEY)
inline constexpr uint32_t kView32 = 0x200;        // the 32-bit registry view (KEY_WOW64_32KEY)

// Security of keys that OpenKey creates. Every caller that does not need shared write access
// passes kDefaultSecurity: the key then inherits the access list of its parent, so that a key an
// administrator creates below HKEY_LOCAL_MACHINE cannot be changed by other users.
// kSharedWriteAccess (the absence of kDefaultSecurity) creates the key with an access list that
// gives the Everyone group full access: any local user may then rewrite or delete it.
inline constexpr uint32_t kDefaultSecurity = 0x800;
inline constexpr uint32_t kSharedWriteAccess = 0x0;
}  // namespace reg_key

// The registry view of a product's own keys and values: the 64-bit view for a 64-bit product, the
// 32-bit view otherwise, whatever the bitness of the running installer (on 32-bit Windows both
// flags are ignored).
inline uint32_t ProductRegistryView(bool product_64bit) {
  return product_64bit ? reg_key::kView64 : reg_key::kView32;
}

// Flags of the value writers.
namespace reg_value {
inline constexpr uint32_t kDeleteIfEmpty = 0x8;   // an empty text or a zero number deletes the value
inline constexpr uint32_t kMultiString = 0x80;    // SetString stores REG_MULTI_SZ
inline constexpr uint32_t kExpandString = 0x100;  // SetString stores REG_EXPAND_SZ
inline constexpr uint32_t kAnsiName = 0x1000;     // the value name is narrow text in the ANSI code page
}  // namespace reg_value

// Access masks of the read-only opens.
namespace reg_access {
inline constexpr REGSAM kQuery = 0x20009;     // read control, query values, enumerate subkeys
inline constexpr REGSAM kRead = 0x20019;      // KEY_READ
inline constexpr REGSAM kAll = 0xF003F;       // KEY_ALL_ACCESS
}  // namespace reg_access

// The results of OpenKey.
namespace open_key_result {
inline constexpr int kFailed = 0;  // the system error is set
inline constexpr int kOpened = 1;  // the key existed
inline constexpr int kCreated = 2;
}  // namespace open_key_result

// An open registry key with its display name ("HKEY_LOCAL_MACHINE\Software\Test\"), and the key
// that was open before it.
class RegKey {
 public:
  RegKey() = default;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&&) noexcept = default;
  RegKey& operator=(RegKey&&) noexcept = default;

  // Opens (reg_key::kOpenOnly) or creates the key `subkey` (wide) below `root` with `access`; the
  // view bits of `flags` are added to the access mask. The key open so far becomes the previous
  // key, or is closed with reg_key::kForgetPrevious. Returns an open_key_result; after a failure
  // no key is open.
  int OpenKey(HKEY root, const String& subkey, uint32_t flags, REGSAM access);
  // The same for a registry path such as "\HKLM\Software\Test" (core/win32/registry_path.hpp).
  int OpenKey(const String& path, uint32_t flags, REGSAM access);
  void Close();

  bool IsOpen() const { return key_.IsValid(); }
  HKEY Handle() const { return key_.Get(); }
  const String& DisplayName() const { return name_; }
  HKEY PreviousHandle() const { return previous_key_.Get(); }
  const String& PreviousDisplayName() const { return previous_name_; }

  // Value writers. Names are wide unless reg_value::kAnsiName; "" is the default value. False
  // with the system error set on failure.
  bool SetString(const String& name, const String& text, uint32_t flags = 0);  // REG_SZ by flags
  bool SetDword(const String& name, uint32_t value, uint32_t flags = 0);
  bool SetBool(const String& name, bool value, uint32_t flags = 0);  // REG_DWORD 0 or 1
  bool SetQword(const String& name, uint64_t value, uint32_t flags = 0);
  bool SetDouble(const String& name, double value, uint32_t flags = 0);  // REG_SZ decimal text
  // Any type with raw data (REG_BINARY and the types the writers above do not cover).
  bool SetValue(const String& name, uint32_t type, const void* data, uint32_t size, uint32_t flags = 0);
  bool DeleteValue(const String& name, uint32_t flags = 0);

  // Value readers (wide names). ReadString accepts REG_SZ, REG_EXPAND_SZ (not expanded) and
  // REG_MULTI_SZ (items separated by zero characters); trailing zero characters are dropped.
  bool ReadString(const String& name, String& text) const;
  bool ReadDword(const String& name, uint32_t& value) const;
  bool ReadQword(const String& name, uint64_t& value) const;

  // The names of the key's subkeys.
  Array<String> SubkeyNames() const;

 private:
  // Before another open: keeps the open key as the previous one, or closes it.
  void SetAsidePrevious(uint32_t flags);
  bool ReadRaw(const String& name, DWORD& type, String& data) const;

  UniqueRegistryKey key_;
  String name_;
  UniqueRegistryKey previous_key_;
  String previous_name_;
};

// True when the key can be opened: with read access under reg_key::kTestReadAccess, otherwise
// with full access. The view bits of `flags` apply.
bool KeyExists(HKEY root, const String& subkey, uint32_t flags);

}  // namespace valdorine
