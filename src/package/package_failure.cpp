#include "package/package_failure.hpp"

#include <windows.h>

#include "core/fatal.hpp"
#include "core/file_errors.hpp"
#include "core/win32/system_errors.hpp"
#include "format/package_contents.hpp"
#include "package/language_strings.hpp"

namespace valdorine {
namespace {

constexpr int kCorruptPackageString = 13;

constexpr char16_t kBuiltInCorruptPackage[] =
    u"This installation program is corrupt.  This is usually caused by a faulty download, but it can also be "
    u"caused by a virus on your computer.  The installation cannot proceed.\r\n\r\nDelete the corrupted installer "
    u"(to prevent caching), then re-download it.  If the problem persists, check your system for viruses.\r\n\r\n"
    u"Error code: %d";

constexpr char kNoPackageMessage[] =
    "This program performs installations and uninstallations.\r\nThere is no installation data present.\r\n"
    "No uninstallation parameters were specified.\r\n\r\nYou should not delete this program or execute it directly.";

PackageFailureListener& Listener() {
  static PackageFailureListener listener = nullptr;
  return listener;
}

[[noreturn]] void FailNumbered(int code, uint32_t system_error) {
  const String message = CorruptPackageMessage(code, system_error);
  if (Listener()) Listener()(message);
  FatalWide(u"%s", message.Wide());
}

}  // namespace

void SetPackageFailureListener(PackageFailureListener listener) { Listener() = listener; }

String CorruptPackageMessage(int code, uint32_t system_error) {
  String message = LanguageString(kCorruptPackageString);
  if (message.IsEmpty()) {
    message = String::FormatWide(kBuiltInCorruptPackage, code);
  } else {
    // The author's text is not a format: only its "%d" is replaced.
    message.ReplaceAll(u"%d", String::FormatWide(u"%d", code).Wide());
  }
  if (system_error != 0) {
    message.AppendFormatWide(u"\r\nSystem error, code %s: %s", SystemErrorCode(system_error).Wide(),
                             SystemErrorText(system_error).Wide());
  }
  return message;
}

void FailPackage(PackageError error, const InstallPackage& package) {
  switch (error) {
    case PackageError::kNoPackage:
      Fatal("%s", kNoPackageMessage);
    case PackageError::kVersionMismatch:
      Fatal("The installer version (%s) does not match the version of %s (%s).  Close all applications and "
            "reinstall %s.",
            kBuilderVersion, kProductTitle, package.view.header.builder_version.c_str(), kProductTitle);
    case PackageError::kInstallerUnreadable:
      FatalWide(u"Error code 1: The installer could not open itself.\r\nFilename: %s\r\nError #%d: %s",
                package.path.Wide(), package.open_error, FileErrorMessageWide(package.open_error).Wide());
    case PackageError::kArchiveUnreadable:
      Fatal("Error code 2: failed to read archive data\r\nsize=%d pos=%d", package.view.header.archive_length,
            static_cast<int>(ArchiveFileOffset(package.section, package.view)));
    default:
      break;
  }
  const int code = ErrorCode(error);
  FailNumbered(code, code > ErrorCode(PackageError::kSignatureBase) ? GetLastError() : 0);
}

}  // namespace valdorine
