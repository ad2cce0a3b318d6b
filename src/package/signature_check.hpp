// The signature form of the self-check: the installer's Authenticode signature verified with
// WinVerifyTrust (loaded at run time from the system folder), reduced to an outcome code.
#pragma once

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

namespace signature_outcome {
inline constexpr int kTrusted = 0;
inline constexpr int kNoSignature = 1;
inline constexpr int kExplicitlyDistrusted = 2;
inline constexpr int kUntrusted = 3;
inline constexpr int kSecuritySettings = 4;
inline constexpr int kVerifierMissing = 5;
inline constexpr int kOther = 6;
inline constexpr int kFileNotFound = 7;
inline constexpr int kFileAccessDenied = 8;
inline constexpr int kSubjectFormUnknown = 9;
inline constexpr int kRevoked = 10;
inline constexpr int kExpired = 11;
inline constexpr int kTimeStamp = 12;
inline constexpr int kCertificateSignature = 13;
inline constexpr int kFileUnreadable = 14;
inline constexpr int kVerifierCrashed = 15;
inline constexpr int kProviderUnknown = 16;
}  // namespace signature_outcome

// Verifies the file (wide path) without user interface, checking revocation for the whole chain.
// Leaves the verification's own last error in place for the caller.
int VerifySignature(const String& path);

// The outcome code for a verification result; `last_error` is consulted when the result says
// "no signature", since the verifier reports failures to open the file that way.
int SignatureOutcome(uint32_t result, uint32_t last_error);

// Whether an outcome lets the installation go on: 0, 4..11 and 13, or any outcome when the last
// error is CERT_E_CHAINING.
bool SignatureOutcomePasses(int outcome, uint32_t last_error);

}  // namespace valdorine
