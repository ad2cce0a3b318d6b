#include "uninstall/firewall_removal.hpp"

#include <windows.h>

#include <netfw.h>
#include <oleauto.h>

#include "core/path_text.hpp"
#include "core/win32/com_ptr.hpp"
#include "core/win32/win_text.hpp"
#include "paths/path_variables.hpp"

namespace valdorine {
namespace {

constexpr int kFirewallFields = 4;
constexpr int kTcpBit = 0x1;
constexpr int kUdpBit = 0x2;

Array<String> SplitFields(const String& line) {
  Array<String> fields;
  int start = 0;
  for (int i = 0; i <= line.Length(); ++i) {
    if (i < line.Length() && line.NarrowAt(i) != ';') continue;
    fields.Append(String::FromBytes(line.Bytes() + start, i - start));
    start = i + 1;
  }
  return fields;
}

bool IsPortNumber(const String& field) {
  if (field.IsEmpty()) return false;
  for (int i = 0; i < field.Length(); ++i) {
    if (field.NarrowAt(i) < '0' || field.NarrowAt(i) > '9') return false;
  }
  return true;
}

ComPtr<INetFwProfile> CurrentProfile() {
  ComPtr<INetFwMgr> manager;
  ComPtr<INetFwPolicy> policy;
  ComPtr<INetFwProfile> profile;
  if (FAILED(CoCreateInstance(__uuidof(NetFwMgr), nullptr, CLSCTX_INPROC_SERVER, __uuidof(INetFwMgr),
                              manager.ReceiveVoid())) ||
      FAILED(manager->get_LocalPolicy(policy.Receive()))) {
    return {};
  }
  policy->get_CurrentProfile(profile.Receive());
  return profile;
}

void ClosePort(INetFwProfile* profile, long port, int protocols) {
  ComPtr<INetFwOpenPorts> ports;
  if (FAILED(profile->get_GloballyOpenPorts(ports.Receive()))) return;
  if (protocols & kTcpBit) ports->Remove(port, NET_FW_IP_PROTOCOL_TCP);
  if (protocols & kUdpBit) ports->Remove(port, NET_FW_IP_PROTOCOL_UDP);
}

void RemoveProgram(INetFwProfile* profile, const String& field, const String& install_dir) {
  String path = WidePathFromNarrow(field);
  ExpandVariables(path);
  if (PathRootLength(path) == 0) path = JoinPath(install_dir, path);
  ComPtr<INetFwAuthorizedApplications> programs;
  if (FAILED(profile->get_AuthorizedApplications(programs.Receive()))) return;
  BSTR name = SysAllocString(WinText(path));
  programs->Remove(name);
  SysFreeString(name);
}

}  // namespace

void RemoveFirewallOpenings(const Array<String>& lines, const String& install_dir) {
  if (lines.IsEmpty()) return;
  const ComPtr<INetFwProfile> profile = CurrentProfile();
  if (!profile) return;
  for (const String& line : lines) {
    const Array<String> fields = SplitFields(line);
    if (fields.Count() != kFirewallFields) continue;
    if (IsPortNumber(fields[0])) {
      ClosePort(profile.Get(), atol(fields[0].Narrow()), atoi(fields[2].Narrow()));
    } else {
      RemoveProgram(profile.Get(), fields[0], install_dir);
    }
  }
}

}  // namespace valdorine
