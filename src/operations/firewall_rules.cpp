#include "operations/firewall_rules.hpp"

#include <windows.h>

#include "core/win32/file_system.hpp"
#include "core/win32/firewall_service.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/operations_log.hpp"
#include "format/firewall_list.hpp"
#include "format/script_options.hpp"
#include "package/package_failure.hpp"
#include "package/package_startup.hpp"
#include "paths/path_variables.hpp"
#include "run/run_state.hpp"
#include "uninstall/uninstall_data.hpp"

namespace valdorine {
namespace {

// Opens the port for one protocol; a port that is open already counts as opened.
HRESULT OpenPort(INetFwOpenPorts* ports, long number, NET_FW_IP_PROTOCOL protocol, const String& name) {
  ComPtr<INetFwOpenPort> existing;
  if (SUCCEEDED(ports->Item(number, protocol, existing.Receive())) && existing) return S_OK;
  ComPtr<INetFwOpenPort> port;
  HRESULT result = CoCreateInstance(__uuidof(NetFwOpenPort), nullptr, CLSCTX_INPROC_SERVER, __uuidof(INetFwOpenPort),
                                    port.ReceiveVoid());
  if (SUCCEEDED(result)) result = port->put_Port(number);
  if (SUCCEEDED(result)) result = port->put_Protocol(protocol);
  if (SUCCEEDED(result)) result = port->put_Name(ComText(WinText(name)).Get());
  if (SUCCEEDED(result)) result = ports->Add(port.Get());
  return result;
}

bool OpenPortRule(INetFwProfile* profile, int number, int protocols, const String& name) {
  HRESULT result = S_OK;
  const ComPtr<INetFwOpenPorts> ports = GloballyOpenPorts(profile, result);
  if (!ports) {
    LogFormat("Failed to open firewall port %d, code %d\r\n", number, static_cast<int>(result));
    return false;
  }
  bool opened = false;
  const struct {
    int bit;
    NET_FW_IP_PROTOCOL protocol;
    const char* label;
  } kProtocols[] = {{kFirewallTcp, NET_FW_IP_PROTOCOL_TCP, "TCP"}, {kFirewallUdp, NET_FW_IP_PROTOCOL_UDP, "UDP"}};
  for (const auto& entry : kProtocols) {
    if ((protocols & entry.bit) == 0) continue;
    result = OpenPort(ports.Get(), number, entry.protocol, name);
    opened = SUCCEEDED(result);
    if (opened) {
      LogFormat("Added firewall exception: %s port %d\r\n", entry.label, number);
    } else {
      LogFormat("Failed to open firewall port %d, code %d\r\n", number, static_cast<int>(result));
    }
  }
  return opened;
}

bool AllowProgram(INetFwProfile* profile, const String& field, const String& name, const String& install_dir) {
  const String path = ExpandedScriptPath(field, install_dir);
  if (!FileExists(path)) {
    LogFormatW(u"Failed to add firewall exception for \"%s\": file does not exist\r\n", path.Wide());
    return false;
  }
  HRESULT result = S_OK;
  const ComPtr<INetFwAuthorizedApplications> programs = AuthorizedPrograms(profile, result);
  if (programs) result = AuthorizeProgram(programs.Get(), path, name);
  if (FAILED(result)) {
    LogFormatW(u"Failed to add firewall exception for \"%s\", code %d\r\n", path.Wide(), static_cast<int>(result));
    return false;
  }
  LogConcatW(u"Added firewall exception: ", path.Wide(), u"\r\n", nullptr);
  return true;
}

bool ApplyRule(INetFwProfile* profile, const Array<String>& fields, const RunState& run) {
  String name = WideFromNarrow(fields[1], code_page::kUtf8);
  if (name.IsEmpty()) name = RunPathVariables().product_name;
  if (IsFirewallPort(fields[0])) {
    return OpenPortRule(profile, FirewallNumber(fields[0]), FirewallNumber(fields[2]), name);
  }
  return AllowProgram(profile, fields[0], name, run.install_dir);
}

}  // namespace

void OpenFirewallExceptions(const InstallScript& script) {
  const RunState& run = Run();
  if (run.portable && (run.package_flags & package_flag::kNoFirewallWhenPortable) != 0) return;
  const Array<String> lines = FirewallListLines(script.FirewallList);
  if (lines.IsEmpty()) return;
  for (const String& line : lines) {
    if (FirewallFields(line).Count() != kFirewallFieldCount) FailPackage(PackageError::kFirewallFields, Package());
  }
  HRESULT result = S_OK;
  const ComPtr<INetFwProfile> profile = CurrentFirewallProfile(result);
  if (!profile) {
    LogFormat("Failed to connect to the firewall service: code %d\r\n", static_cast<int>(result));
    return;
  }
  String& record = CollectedUninstallSections().firewall;
  for (const String& line : lines) {
    const Array<String> fields = FirewallFields(line);
    if (ApplyRule(profile.Get(), fields, run) && !KeepsFirewallRule(fields[3])) {
      record.Append(line);
      record.AppendNarrow("\r\n");
    }
  }
}

}  // namespace valdorine
