#include "package/signature_check.hpp"

#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include "core/win32/unique_handle.hpp"

namespace valdorine {
namespace {

using WinVerifyTrustFn = LONG(WINAPI*)(HWND, GUID*, LPVOID);

constexpr uint32_t kVerifierUnavailableError = 632;

// Failures to open the file, by kind; 0 when `code` is none of them. Accepts a plain system
// error or one wrapped as an HRESULT.
int OpenFailureOutcome(uint32_t code) {
  if ((code & 0xFFFF0000u) == 0x80070000u) code &= 0xFFFF;
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return signature_outcome::kFileNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
      return signature_outcome::kFileAccessDenied;
    default:
      return code != 0 && code <= 0xFFFF ? signature_outcome::kFileUnreadable : 0;
  }
}

int TrustResultOutcome(uint32_t code) {
  switch (code) {
    case 0:
      return signature_outcome::kTrusted;
    case static_cast<uint32_t>(TRUST_E_NOSIGNATURE):
      return signature_outcome::kNoSignature;
    case static_cast<uint32_t>(TRUST_E_EXPLICIT_DISTRUST):
      return signature_outcome::kExplicitlyDistrusted;
    case static_cast<uint32_t>(TRUST_E_BAD_DIGEST):
    case static_cast<uint32_t>(TRUST_E_SUBJECT_NOT_TRUSTED):
    case static_cast<uint32_t>(CERT_E_UNTRUSTEDROOT):
    case static_cast<uint32_t>(CERT_E_CHAINING):
      return signature_outcome::kUntrusted;
    case static_cast<uint32_t>(CRYPT_E_SECURITY_SETTINGS):
      return signature_outcome::kSecuritySettings;
    case static_cast<uint32_t>(TRUST_E_SUBJECT_FORM_UNKNOWN):
      return signature_outcome::kSubjectFormUnknown;
    case static_cast<uint32_t>(CERT_E_REVOKED):
      return signature_outcome::kRevoked;
    case static_cast<uint32_t>(CERT_E_EXPIRED):
      return signature_outcome::kExpired;
    case static_cast<uint32_t>(TRUST_E_TIME_STAMP):
      return signature_outcome::kTimeStamp;
    case static_cast<uint32_t>(TRUST_E_CERT_SIGNATURE):
      return signature_outcome::kCertificateSignature;
    case static_cast<uint32_t>(TRUST_E_PROVIDER_UNKNOWN):
      return signature_outcome::kProviderUnknown;
    default:
      return -1;
  }
}

}  // namespace

int SignatureOutcome(uint32_t result, uint32_t last_error) {
  if (result == static_cast<uint32_t>(TRUST_E_NOSIGNATURE) && last_error != 0 &&
      last_error != static_cast<uint32_t>(TRUST_E_NOSIGNATURE)) {
    const int open_failure = OpenFailureOutcome(last_error);
    if (open_failure != 0) return open_failure;
    const int reread = TrustResultOutcome(last_error);
    if (reread >= 0) return reread;
  }
  const int outcome = TrustResultOutcome(result);
  if (outcome >= 0) return outcome;
  const int open_failure = OpenFailureOutcome(result);
  return open_failure != 0 ? open_failure : signature_outcome::kOther;
}

bool SignatureOutcomePasses(int outcome, uint32_t last_error) {
  if (last_error == static_cast<uint32_t>(CERT_E_CHAINING)) return true;
  return outcome == signature_outcome::kTrusted ||
         (outcome >= signature_outcome::kSecuritySettings && outcome <= signature_outcome::kExpired) ||
         outcome == signature_outcome::kCertificateSignature;
}

int VerifySignature(const String& path) {
  UniqueModule wintrust(LoadLibraryExW(L"wintrust.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  auto verify = wintrust ? reinterpret_cast<WinVerifyTrustFn>(
                               reinterpret_cast<void*>(GetProcAddress(wintrust.Get(), "WinVerifyTrust")))
                         : nullptr;
  if (!verify) {
    SetLastError(kVerifierUnavailableError);
    return signature_outcome::kVerifierMissing;
  }

  WINTRUST_FILE_INFO file{};
  file.cbStruct = sizeof file;
  file.pcwszFilePath = reinterpret_cast<const wchar_t*>(path.Wide());
  WINTRUST_DATA data{};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;

  SetLastError(0);
  const uint32_t result = static_cast<uint32_t>(verify(nullptr, &action, &data));
  const uint32_t last_error = GetLastError();
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  verify(nullptr, &action, &data);
  SetLastError(last_error);
  return SignatureOutcome(result, last_error);
}

}  // namespace valdorine
