#include "core/win32/firewall_service.hpp"

#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

// What a profile's getter returned: the object, or empty with `result` set when it failed or gave
// nothing.
template <typename Interface>
ComPtr<Interface> Fetched(HRESULT& result, ComPtr<Interface>&& object) {
  if (SUCCEEDED(result) && !object) result = E_POINTER;
  return SUCCEEDED(result) ? std::move(object) : ComPtr<Interface>();
}

}  // namespace

ComPtr<INetFwProfile> CurrentFirewallProfile(HRESULT& result) {
  ComPtr<INetFwMgr> manager;
  ComPtr<INetFwPolicy> policy;
  ComPtr<INetFwProfile> profile;
  result = CoCreateInstance(__uuidof(NetFwMgr), nullptr, CLSCTX_INPROC_SERVER, __uuidof(INetFwMgr),
                            manager.ReceiveVoid());
  if (SUCCEEDED(result)) result = manager->get_LocalPolicy(policy.Receive());
  if (SUCCEEDED(result)) result = policy->get_CurrentProfile(profile.Receive());
  return Fetched(result, std::move(profile));
}

ComPtr<INetFwOpenPorts> GloballyOpenPorts(INetFwProfile* profile, HRESULT& result) {
  ComPtr<INetFwOpenPorts> ports;
  result = profile->get_GloballyOpenPorts(ports.Receive());
  return Fetched(result, std::move(ports));
}

ComPtr<INetFwAuthorizedApplications> AuthorizedPrograms(INetFwProfile* profile, HRESULT& result) {
  ComPtr<INetFwAuthorizedApplications> programs;
  result = profile->get_AuthorizedApplications(programs.Receive());
  return Fetched(result, std::move(programs));
}

HRESULT AuthorizeProgram(INetFwAuthorizedApplications* programs, const String& path, const String& name) {
  ComPtr<INetFwAuthorizedApplication> program;
  HRESULT result = CoCreateInstance(__uuidof(NetFwAuthorizedApplication), nullptr, CLSCTX_INPROC_SERVER,
                                    __uuidof(INetFwAuthorizedApplication), program.ReceiveVoid());
  if (SUCCEEDED(result)) result = program->put_ProcessImageFileName(ComText(WinText(path)).Get());
  if (SUCCEEDED(result)) result = program->put_Name(ComText(WinText(name)).Get());
  if (SUCCEEDED(result)) result = program->put_Enabled(VARIANT_TRUE);
  if (SUCCEEDED(result)) result = programs->Add(program.Get());
  return result;
}

}  // namespace valdorine
