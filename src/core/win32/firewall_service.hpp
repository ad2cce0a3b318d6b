// The Windows Firewall's management service through COM: the current profile with its globally
// open ports and authorized programs.
#pragma once

#include <windows.h>

#include <netfw.h>

#include <utility>

#include "core/string.hpp"
#include "core/win32/com_ptr.hpp"

namespace valdorine {

// The local policy's current profile; empty with `result` set to the failing call's code when the
// service cannot be reached. COM must be initialised on the thread.
ComPtr<INetFwProfile> CurrentFirewallProfile(HRESULT& result);

// The profile's globally open ports and its authorized programs; empty with `result` set to the
// failing call's code when the profile does not give them.
ComPtr<INetFwOpenPorts> GloballyOpenPorts(INetFwProfile* profile, HRESULT& result);
ComPtr<INetFwAuthorizedApplications> AuthorizedPrograms(INetFwProfile* profile, HRESULT& result);

// Adds the program at the wide `path` to `programs` under the wide `name`, enabled.
HRESULT AuthorizeProgram(INetFwAuthorizedApplications* programs, const String& path, const String& name);

// A string for COM calls, freed with the object.
class ComText {
 public:
  explicit ComText(const wchar_t* text) : text_(SysAllocString(text)) {}
  ComText(const ComText&) = delete;
  ComText& operator=(const ComText&) = delete;
  ~ComText() { SysFreeString(text_); }
  BSTR Get() const { return text_; }

 private:
  BSTR text_;
};

}  // namespace valdorine
