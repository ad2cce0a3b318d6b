#include "installer/system_checks.hpp"

#include <windows.h>

#include "core/fatal.hpp"
#include "core/version_compare.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/system_info.hpp"
#include "core/win32/unique_handle.hpp"
#include "format/default_install_dir.hpp"
#include "format/script_options.hpp"
#include "installer/orderly_exit.hpp"
#include "installer/sequence_exit.hpp"
#include "package/install_script_setup.hpp"
#include "package/language_message.hpp"
#include "paths/os_code.hpp"
#include "run/run_state.hpp"
#include "run/run_switches.hpp"

namespace valdorine {
namespace {

constexpr char16_t kUninstallRoot[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// File-system redirection's saved state while a 64-bit product switches it off.
struct RedirectionState {
  bool disabled = false;
  void* previous = nullptr;
};

RedirectionState& Redirection() {
  static RedirectionState state;
  return state;
}

String ReadText(const RegKey& key, const char16_t* name) {
  String text;
  key.ReadString(String::FromWide(name), text);
  return text;
}

}  // namespace

int MissingBitness(uint8_t bitness, bool windows_64bit) {
  if (bitness == 1 && !windows_64bit) return 64;
  if (bitness == 2 && windows_64bit) return 32;
  return 0;
}

void CheckBitness(const InstallScript& script) {
  const bool windows_64bit = Is64BitWindows();
  const int missing = MissingBitness(script.Bitness, windows_64bit);
  if (missing != 0) {
    if (Switches().automatic_mode) ExitInstallation(RunOutcome::kFailed);
    RefuseInstallation(LanguageMessage(81, {String::FormatWide(u"%d", missing)}));
  }
  if (script.Bitness == 1 && windows_64bit) {
    RedirectionState& redirection = Redirection();
    if (!Wow64DisableWow64FsRedirection(&redirection.previous)) Fatal("Wow64DisableWow64FsRedirection() failed");
    redirection.disabled = true;
  }
}

void RestoreFileSystemRedirection() {
  RedirectionState& redirection = Redirection();
  if (!redirection.disabled) return;
  Wow64RevertWow64FsRedirection(redirection.previous);
  redirection.disabled = false;
}

int ExcludedSystemsBit(int os_code) { return os_code > 0 && os_code < 64 ? os_code / 2 : -1; }

void CheckExcludedSystems(const InstallScript& script) {
  const int bit = ExcludedSystemsBit(OsCode(OsVersion()));
  if (bit < 0 || (script.ExcludedSystems & (1u << bit)) == 0) return;
  RefuseInstallation(LanguageMessage(61, {SystemName()}));
}

RequiredProduct FindRequiredProduct(const String& uninstall_key) {
  RequiredProduct product;
  RegKey key;
  const String subkey = ConcatWide(kUninstallRoot, uninstall_key.Wide(), nullptr);
  if (key.OpenKey(HKEY_LOCAL_MACHINE, subkey, reg_key::kOpenOnly | reg_key::kView64 | reg_key::kDefaultSecurity,
                  reg_access::kRead) == open_key_result::kFailed) {
    return product;
  }
  product.found = !ReadText(key, u"UninstallString").IsEmpty() || !ReadText(key, u"QuietUninstallString").IsEmpty();
  product.install_location = ReadText(key, u"InstallLocation");
  product.version = NarrowFromWide(ReadText(key, u"DisplayVersion"), code_page::kAnsi);
  return product;
}

String CheckRequiredProduct(const InstallScript& script) {
  if ((Run().options.word1 & option1::kRequiredProduct) == 0) return {};
  const String& key_name = script.MasterKey.IsEmpty() ? script.ProductName : script.MasterKey;
  const String& product_name = script.MasterName.IsEmpty() ? script.ProductName : script.MasterName;
  const bool takes_location = NamesMasterFolder(script.DefaultInstallDir);
  const RequiredProduct product = FindRequiredProduct(key_name);
  if (!product.found || (takes_location && product.install_location.IsEmpty())) {
    RefuseInstallation(LanguageMessage(12, {product_name}));
  }
  if (!script.MasterMinVersion.IsEmpty() && VersionIsBelow(product.version.Narrow(), script.MasterMinVersion.Narrow())) {
    RefuseInstallation(LanguageMessage(112, {WideFromNarrow(script.MasterMinVersion, code_page::kAnsi), product_name}));
  }
  return takes_location ? product.install_location : String();
}

void CheckSingleInstance() {
  if ((Run().options.word1 & option1::kSingleInstance) == 0) return;
  // Held until the process ends: the handle is never closed before exit.
  static UniqueHandle mutex;
  mutex.Reset(CreateMutexW(nullptr, FALSE, L"Valdorine QVX"));
  if (mutex && WaitForSingleObject(mutex.Get(), 0) != WAIT_TIMEOUT) return;
  RefuseInstallation(LanguageMessage(91));
}

}  // namespace valdorine
