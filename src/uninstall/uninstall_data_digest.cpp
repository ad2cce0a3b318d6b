#include "uninstall/uninstall_data_digest.hpp"

#include <windows.h>
// windows.h first: the cryptography header needs its types.
#include <wincrypt.h>

#include "core/win32/unique_handle.hpp"

namespace valdorine {
namespace {

constexpr DWORD kSha256Bytes = 32;

struct CryptProvider {
  using Handle = HCRYPTPROV;
  static Handle Invalid() { return 0; }
  static void Close(Handle provider) { ::CryptReleaseContext(provider, 0); }
};
struct CryptHash {
  using Handle = HCRYPTHASH;
  static Handle Invalid() { return 0; }
  static void Close(Handle hash) { ::CryptDestroyHash(hash); }
};

String Digest(const BYTE* hash) {
  String text = String::FromWide(u"sha256:");
  for (DWORD i = 0; i < kSha256Bytes; ++i) text.AppendFormatWide(u"%02x", hash[i]);
  return text;
}

}  // namespace

String UninstallDataDigest(const String& bytes) {
  UniqueResource<CryptProvider> provider;
  UniqueResource<CryptHash> hash;
  BYTE value[kSha256Bytes] = {};
  DWORD size = sizeof(value);
  if (!CryptAcquireContextW(provider.Receive(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) ||
      !CryptCreateHash(provider.Get(), CALG_SHA_256, 0, 0, hash.Receive()) ||
      !CryptHashData(hash.Get(), reinterpret_cast<const BYTE*>(bytes.Bytes()), static_cast<DWORD>(bytes.Length()), 0) ||
      !CryptGetHashParam(hash.Get(), HP_HASHVAL, value, &size, 0) || size != kSha256Bytes) {
    return {};
  }
  return Digest(value);
}

bool RecordUninstallDataDigest(RegKey& key, const String& bytes) {
  const String digest = UninstallDataDigest(bytes);
  return !digest.IsEmpty() && key.SetString(String::FromWide(kUninstallDataDigestValue), digest);
}

bool MatchesRecordedDigest(RegKey& key, const String& bytes) {
  String recorded;
  return key.ReadString(String::FromWide(kUninstallDataDigestValue), recorded) && MatchesDigest(recorded, bytes);
}

bool MatchesDigest(const String& recorded, const String& bytes) {
  return !recorded.IsEmpty() && recorded == UninstallDataDigest(bytes);
}

}  // namespace valdorine
