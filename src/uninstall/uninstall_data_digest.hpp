// The digest of Uninstall.DAT kept in the product's uninstall key. The data file lies in the
// product's folder, which other users may be able to write; the key under HKEY_LOCAL_MACHINE only
// administrators can. The uninstaller removes only what a data file with the recorded digest lists,
// so lines added to the file cannot make it delete anything else.
#pragma once

#include "core/string.hpp"
#include "core/win32/registry.hpp"

namespace valdorine {

// The value of the product's uninstall key that holds the digest.
inline constexpr char16_t kUninstallDataDigestValue[] = u"UninstallDataDigest";

// "sha256:" and the SHA-256 of the file's bytes in 64 lowercase hexadecimal digits (wide); empty
// when the system's hash service fails.
String UninstallDataDigest(const String& bytes);

// Stores the digest of `bytes` in the open product key; false when it cannot be made or written.
bool RecordUninstallDataDigest(RegKey& key, const String& bytes);

// Whether `bytes` are the data file whose digest the product key holds. A key without a digest
// matches nothing.
bool MatchesRecordedDigest(RegKey& key, const String& bytes);
// The same against a digest read earlier; an empty `recorded` matches nothing.
bool MatchesDigest(const String& recorded, const String& bytes);

}  // namespace valdorine
