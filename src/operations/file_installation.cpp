// PLACEHOLDER (owner: file-loop helper) - replaced by the real module. For now it reads and checks
// every entry of the archive and writes nothing.
#include "operations/file_installation.hpp"

#include "package/package_archive.hpp"
#include "package/package_failure.hpp"
#include "package/package_startup.hpp"

namespace valdorine {

void InstallFiles() {
  PackageArchive archive;
  OpenInstallArchive(archive);
  InstallPackage& package = Package();
  while (archive.HasNextEntry()) {
    FileEntry entry;
    RequirePackage(archive.NextEntry(entry), package);
  }
  RequirePackage(archive.Finish(), package);
}

bool WriteInstalledFile(const String&, const uint8_t*, size_t, const EntryDate&, String&, int32_t, bool, bool& replaced) {
  replaced = false;
  return false;
}

}  // namespace valdorine
