#include "diagnostics/firewall_exception.hpp"

#include "core/win32/firewall_service.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

ComPtr<INetFwAuthorizedApplications> CurrentAuthorizedPrograms() {
  HRESULT result = S_OK;
  const ComPtr<INetFwProfile> profile = CurrentFirewallProfile(result);
  return profile ? AuthorizedPrograms(profile.Get(), result) : ComPtr<INetFwAuthorizedApplications>();
}

}  // namespace

bool AllowProgramThroughFirewall(const String& program, const String& name) {
  const ComPtr<INetFwAuthorizedApplications> programs = CurrentAuthorizedPrograms();
  return programs && SUCCEEDED(AuthorizeProgram(programs.Get(), program, name));
}

void RemoveProgramFromFirewall(const String& program) {
  const ComPtr<INetFwAuthorizedApplications> programs = CurrentAuthorizedPrograms();
  if (programs) programs->Remove(ComText(WinText(program)).Get());
}

}  // namespace valdorine
