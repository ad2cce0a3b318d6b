#include "package/package_startup.hpp"

#include <windows.h>

#include <cstring>

#include "core/fatal.hpp"
#include "package/installer_process.hpp"

namespace valdorine {
namespace {

bool ImageHasSetupSection(HINSTANCE instance) {
  auto base = reinterpret_cast<const BYTE*>(instance);
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    if (std::memcmp(section->Name, ".setup\0", 7) == 0) return true;
  }
  return false;
}

}  // namespace

void LoadInstallPackage() {
  if (!ImageHasSetupSection(Process().instance)) {
    Fatal("This program performs installations and uninstallations.\r\n"
          "There is no installation data present.\r\n"
          "No uninstallation parameters were specified.\r\n\r\n"
          "You should not delete this program or execute it directly.");
  }
}

}  // namespace valdorine
