#include "core/win32/firewall_service.hpp"

namespace valdorine {

ComPtr<INetFwProfile> CurrentFirewallProfile(HRESULT& result) {
  ComPtr<INetFwMgr> manager;
  ComPtr<INetFwPolicy> policy;
  ComPtr<INetFwProfile> profile;
  result = CoCreateInstance(__uuidof(NetFwMgr), nullptr, CLSCTX_INPROC_SERVER, __uuidof(INetFwMgr),
                            manager.ReceiveVoid());
  if (SUCCEEDED(result)) result = manager->get_LocalPolicy(policy.Receive());
  if (SUCCEEDED(result)) result = policy->get_CurrentProfile(profile.Receive());
  if (SUCCEEDED(result) && !profile) result = E_POINTER;
  return SUCCEEDED(result) ? std::move(profile) : ComPtr<INetFwProfile>();
}

}  // namespace valdorine
