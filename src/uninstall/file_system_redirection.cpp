#include "uninstall/file_system_redirection.hpp"

#include <windows.h>

#include "core/fatal.hpp"

namespace valdorine {
namespace {

using RedirectionFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);

// Looked up at run time: systems without WOW64 do not have the calls.
template <typename Fn>
Fn Kernel32Entry(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

}  // namespace

FileSystemRedirectionOff::FileSystemRedirectionOff(bool switch_off) {
  if (!switch_off) return;
  const auto disable = Kernel32Entry<RedirectionFn>("Wow64DisableWow64FsRedirection");
  if (disable == nullptr || !disable(&previous_state_)) Fatal("Wow64DisableWow64FsRedirection() failed");
  switched_off_ = true;
}

FileSystemRedirectionOff::~FileSystemRedirectionOff() {
  if (!switched_off_) return;
  const auto revert = Kernel32Entry<RevertFn>("Wow64RevertWow64FsRedirection");
  if (revert != nullptr) revert(previous_state_);
}

}  // namespace valdorine
