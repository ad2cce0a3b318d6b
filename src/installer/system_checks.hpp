// The checks on the running system before anything is asked or changed: the product's bitness,
// the Windows versions it excludes, a product that must be installed first, and a second
// installer running at the same time. Each refusal ends the run with exit code 1.
#pragma once

#include <cstdint>

#include "core/string.hpp"
#include "format/install_script.hpp"

namespace valdorine {

// The number of bits of Windows that `bitness` demands and the system lacks: 64 for a 64-bit
// product (`Bitness` 1) on 32-bit Windows, 32 for a 32-bit-only product (`Bitness` 2) on 64-bit
// Windows, 0 when the system fits.
int MissingBitness(uint8_t bitness, bool windows_64bit);

// Refuses a system of the wrong bitness (silently in automatic mode); for a 64-bit product on
// 64-bit Windows switches file-system redirection off for the whole run.
void CheckBitness(const InstallScript& script);
// Switches file-system redirection back on after a 64-bit product's run.
void RestoreFileSystemRedirection();

// The bit of `ExcludedSystems` that stands for a Windows release: release code (paths/os_code.hpp)
// divided by two; -1 for a release without a code.
int ExcludedSystemsBit(int os_code);
// Refuses a Windows release that the script excludes.
void CheckExcludedSystems(const InstallScript& script);

// What was found of the required product below its uninstall key.
struct RequiredProduct {
  bool found = false;        // the key exists with an UninstallString or a QuietUninstallString
  String install_location;   // wide
  String version;            // 8-bit (ANSI) `DisplayVersion`
};
RequiredProduct FindRequiredProduct(const String& uninstall_key);
// Refuses the run when the required product (option word 1 bit 0x10000) is missing or older than
// `MasterMinVersion`. Returns the required product's `InstallLocation` when `DefaultInstallDir`
// is "<master>", else an empty text.
String CheckRequiredProduct(const InstallScript& script);

// Takes the single-instance mutex "Valdorine QVX" for the rest of the run (option word 1 bit
// 0x100); refuses the run when another installer holds it.
void CheckSingleInstance();

}  // namespace valdorine
