#include "diagnostics/firewall_exception.hpp"

#include <windows.h>

#include <netfw.h>
#include <oleauto.h>

#include "core/win32/com_ptr.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

// A BSTR for the scope of one call.
class SystemText {
 public:
  explicit SystemText(const String& wide) : text_(SysAllocString(WinText(wide))) {}
  SystemText(const SystemText&) = delete;
  SystemText& operator=(const SystemText&) = delete;
  ~SystemText() { SysFreeString(text_); }
  BSTR Get() const { return text_; }

 private:
  BSTR text_;
};

ComPtr<INetFwAuthorizedApplications> AuthorisedPrograms() {
  ComPtr<INetFwMgr> manager;
  ComPtr<INetFwPolicy> policy;
  ComPtr<INetFwProfile> profile;
  ComPtr<INetFwAuthorizedApplications> programs;
  if (SUCCEEDED(CoCreateInstance(__uuidof(NetFwMgr), nullptr, CLSCTX_INPROC_SERVER, __uuidof(INetFwMgr),
                                 manager.ReceiveVoid())) &&
      SUCCEEDED(manager->get_LocalPolicy(policy.Receive())) &&
      SUCCEEDED(policy->get_CurrentProfile(profile.Receive()))) {
    profile->get_AuthorizedApplications(programs.Receive());
  }
  return programs;
}

}  // namespace

bool AllowProgramThroughFirewall(const String& program, const String& name) {
  const ComPtr<INetFwAuthorizedApplications> programs = AuthorisedPrograms();
  ComPtr<INetFwAuthorizedApplication> entry;
  if (!programs || FAILED(CoCreateInstance(__uuidof(NetFwAuthorizedApplication), nullptr, CLSCTX_INPROC_SERVER,
                                           __uuidof(INetFwAuthorizedApplication), entry.ReceiveVoid()))) {
    return false;
  }
  const SystemText image(program);
  const SystemText display_name(name);
  return SUCCEEDED(entry->put_ProcessImageFileName(image.Get())) && SUCCEEDED(entry->put_Name(display_name.Get())) &&
         SUCCEEDED(entry->put_Enabled(VARIANT_TRUE)) && SUCCEEDED(programs->Add(entry.Get()));
}

void RemoveProgramFromFirewall(const String& program) {
  const ComPtr<INetFwAuthorizedApplications> programs = AuthorisedPrograms();
  const SystemText image(program);
  if (programs) programs->Remove(image.Get());
}

}  // namespace valdorine
