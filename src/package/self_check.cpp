#include "package/self_check.hpp"

#include <windows.h>

#include <vector>

#include "format/package_contents.hpp"
#include "package/signature_check.hpp"
#include "package/uninstaller_image.hpp"

namespace valdorine {
namespace {

PackageError CheckSignature(const InstallPackage& package) {
  const int outcome = VerifySignature(package.path);
  const DWORD last_error = GetLastError();
  if (SignatureOutcomePasses(outcome, last_error)) return PackageError::kNone;
  SetLastError(last_error);
  return static_cast<PackageError>(ErrorCode(PackageError::kSignatureBase) + outcome);
}

}  // namespace

PackageError RunSelfCheck(InstallPackage& package, const PackageSettings& settings) {
  std::vector<uint8_t> before_section;
  if (!ReadInstallerBytes(package, 0, package.section.file_offset, before_section)) {
    return PackageError::kSelfCheckRead;
  }
  PackageError error = PackageError::kNone;
  if (settings.integrity_mode == kIntegrityStubChecksum) {
    error = CheckStubChecksum(before_section, package.section, package.view.header.stub_checksum);
  } else if (settings.integrity_mode == kIntegritySignature) {
    error = CheckSignature(package);
  }
  if (error != PackageError::kNone) return error;
  if ((package.view.header.flags & kPackageFlagUninstallerImage) == 0) {
    DropUninstallerImage(package.file_size);
    return PackageError::kNone;
  }
  return KeepUninstallerImage(package, before_section, settings.archive_in_file);
}

}  // namespace valdorine
