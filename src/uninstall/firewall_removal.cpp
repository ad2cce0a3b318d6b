#include "uninstall/firewall_removal.hpp"

#include <windows.h>

#include "core/win32/firewall_service.hpp"
#include "core/win32/win_text.hpp"
#include "format/firewall_list.hpp"
#include "paths/path_variables.hpp"

namespace valdorine {
namespace {

void ClosePort(INetFwProfile* profile, long port, int protocols) {
  HRESULT result = S_OK;
  const ComPtr<INetFwOpenPorts> ports = GloballyOpenPorts(profile, result);
  if (!ports) return;
  if (protocols & kFirewallTcp) ports->Remove(port, NET_FW_IP_PROTOCOL_TCP);
  if (protocols & kFirewallUdp) ports->Remove(port, NET_FW_IP_PROTOCOL_UDP);
}

void RemoveProgram(INetFwProfile* profile, const String& field, const String& install_dir) {
  HRESULT result = S_OK;
  const ComPtr<INetFwAuthorizedApplications> programs = AuthorizedPrograms(profile, result);
  if (programs) programs->Remove(ComText(WinText(ExpandedScriptPath(field, install_dir))).Get());
}

}  // namespace

void RemoveFirewallOpenings(const Array<String>& lines, const String& install_dir) {
  if (lines.IsEmpty()) return;
  HRESULT result = S_OK;
  const ComPtr<INetFwProfile> profile = CurrentFirewallProfile(result);
  if (!profile) return;
  for (const String& line : lines) {
    const Array<String> fields = FirewallFields(line);
    if (fields.Count() != kFirewallFieldCount) continue;
    if (IsFirewallPort(fields[0])) {
      ClosePort(profile.Get(), FirewallNumber(fields[0]), FirewallNumber(fields[2]));
    } else {
      RemoveProgram(profile.Get(), fields[0], install_dir);
    }
  }
}

}  // namespace valdorine
