// A stand-in for the Windows Firewall's objects, for scenarios under Wine (whose firewall objects
// accept every call and keep nothing). Registered as the in-process server of the firewall
// manager's, the open port's and the authorized program's classes, it appends one line per change it is asked for to the file that the
// environment variable FIREWALL_RECORD names (default C:\firewall-calls.txt):
//   add port <number> <protocol number> <name>
//   remove port <number> <protocol number>
//   add program <path> <name>
//   remove program <path>
// Only the calls that the installer and the uninstaller make are served; everything else fails.
#include <windows.h>

#include <netfw.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

namespace {

void Record(const std::wstring& line) {
  wchar_t path[MAX_PATH] = L"C:\\firewall-calls.txt";
  GetEnvironmentVariableW(L"FIREWALL_RECORD", path, MAX_PATH);
  FILE* file = _wfopen(path, L"ab");
  if (file == nullptr) return;
  const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8.data(), size, nullptr, nullptr);
  std::fprintf(file, "%s\n", utf8.c_str());
  std::fclose(file);
}

std::wstring Text(BSTR text) { return text != nullptr ? std::wstring(text) : std::wstring(); }

// Reference counting and QueryInterface for an object that serves one dispatch interface.
template <typename Interface>
class Object : public Interface {
 public:
  virtual ~Object() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (id != IID_IUnknown && id != IID_IDispatch && id != __uuidof(Interface)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

 private:
  LONG references_ = 1;
};

template <typename Result, typename Interface>
HRESULT Hand(Result* created, Interface** out) {
  *out = created;
  return S_OK;
}

// The settings that a rule's object carries, common to ports and programs.
template <typename Interface>
class Rule : public Object<Interface> {
 public:
  ~Rule() override { SysFreeString(name_); }
  HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override { return Copy(name_, name); }
  HRESULT STDMETHODCALLTYPE put_Name(BSTR name) override { return Store(name, name_); }
  HRESULT STDMETHODCALLTYPE get_IpVersion(NET_FW_IP_VERSION*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_IpVersion(NET_FW_IP_VERSION) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_Scope(NET_FW_SCOPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Scope(NET_FW_SCOPE) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_RemoteAddresses(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_RemoteAddresses(BSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* enabled) override {
    *enabled = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL) override { return S_OK; }

 protected:
  static HRESULT Copy(BSTR from, BSTR* to) {
    *to = SysAllocString(from != nullptr ? from : L"");
    return S_OK;
  }
  static HRESULT Store(BSTR from, BSTR& to) {
    SysFreeString(to);
    to = SysAllocString(from);
    return S_OK;
  }

 private:
  BSTR name_ = nullptr;
};

class Port : public Rule<INetFwOpenPort> {
 public:
  HRESULT STDMETHODCALLTYPE get_Protocol(NET_FW_IP_PROTOCOL* protocol) override {
    *protocol = protocol_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Protocol(NET_FW_IP_PROTOCOL protocol) override {
    protocol_ = protocol;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Port(LONG* number) override {
    *number = number_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Port(LONG number) override {
    number_ = number;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_BuiltIn(VARIANT_BOOL* built_in) override {
    *built_in = VARIANT_FALSE;
    return S_OK;
  }

 private:
  NET_FW_IP_PROTOCOL protocol_ = NET_FW_IP_PROTOCOL_TCP;
  LONG number_ = 0;
};

class Program : public Rule<INetFwAuthorizedApplication> {
 public:
  ~Program() override { SysFreeString(path_); }
  HRESULT STDMETHODCALLTYPE get_ProcessImageFileName(BSTR* path) override { return Copy(path_, path); }
  HRESULT STDMETHODCALLTYPE put_ProcessImageFileName(BSTR path) override { return Store(path, path_); }

 private:
  BSTR path_ = nullptr;
};

class Ports : public Object<INetFwOpenPorts> {
 public:
  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Add(INetFwOpenPort* port) override {
    LONG number = 0;
    NET_FW_IP_PROTOCOL protocol = NET_FW_IP_PROTOCOL_TCP;
    BSTR name = nullptr;
    if (FAILED(port->get_Port(&number)) || FAILED(port->get_Protocol(&protocol)) || FAILED(port->get_Name(&name))) {
      return E_INVALIDARG;
    }
    Record(L"add port " + std::to_wstring(number) + L" " + std::to_wstring(protocol) + L" " + Text(name));
    SysFreeString(name);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Remove(LONG number, NET_FW_IP_PROTOCOL protocol) override {
    Record(L"remove port " + std::to_wstring(number) + L" " + std::to_wstring(protocol));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Item(LONG, NET_FW_IP_PROTOCOL, INetFwOpenPort** port) override {
    *port = nullptr;
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  }
  HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown**) override { return E_NOTIMPL; }
};

class Programs : public Object<INetFwAuthorizedApplications> {
 public:
  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Add(INetFwAuthorizedApplication* program) override {
    BSTR path = nullptr;
    BSTR name = nullptr;
    if (FAILED(program->get_ProcessImageFileName(&path)) || FAILED(program->get_Name(&name))) return E_INVALIDARG;
    Record(L"add program " + Text(path) + L" " + Text(name));
    SysFreeString(path);
    SysFreeString(name);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Remove(BSTR path) override {
    Record(L"remove program " + Text(path));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Item(BSTR, INetFwAuthorizedApplication** program) override {
    *program = nullptr;
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  }
  HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown**) override { return E_NOTIMPL; }
};

class Profile : public Object<INetFwProfile> {
 public:
  HRESULT STDMETHODCALLTYPE get_Type(NET_FW_PROFILE_TYPE* type) override {
    *type = NET_FW_PROFILE_STANDARD;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_FirewallEnabled(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_FirewallEnabled(VARIANT_BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_ExceptionsNotAllowed(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_ExceptionsNotAllowed(VARIANT_BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_NotificationsDisabled(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_NotificationsDisabled(VARIANT_BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_UnicastResponsesToMulticastBroadcastDisabled(VARIANT_BOOL*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE put_UnicastResponsesToMulticastBroadcastDisabled(VARIANT_BOOL) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE get_RemoteAdminSettings(INetFwRemoteAdminSettings**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_IcmpSettings(INetFwIcmpSettings**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_GloballyOpenPorts(INetFwOpenPorts** ports) override {
    return Hand(new Ports, ports);
  }
  HRESULT STDMETHODCALLTYPE get_Services(INetFwServices**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_AuthorizedApplications(INetFwAuthorizedApplications** programs) override {
    return Hand(new Programs, programs);
  }
};

class Policy : public Object<INetFwPolicy> {
 public:
  HRESULT STDMETHODCALLTYPE get_CurrentProfile(INetFwProfile** profile) override { return Hand(new Profile, profile); }
  HRESULT STDMETHODCALLTYPE GetProfileByType(NET_FW_PROFILE_TYPE, INetFwProfile** profile) override {
    return Hand(new Profile, profile);
  }
};

class Manager : public Object<INetFwMgr> {
 public:
  HRESULT STDMETHODCALLTYPE get_LocalPolicy(INetFwPolicy** policy) override { return Hand(new Policy, policy); }
  HRESULT STDMETHODCALLTYPE get_CurrentProfileType(NET_FW_PROFILE_TYPE* type) override {
    *type = NET_FW_PROFILE_STANDARD;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RestoreDefaults() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsPortAllowed(BSTR, NET_FW_IP_VERSION, LONG, BSTR, NET_FW_IP_PROTOCOL, VARIANT*,
                                          VARIANT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE IsIcmpTypeAllowed(NET_FW_IP_VERSION, BSTR, BYTE, VARIANT*, VARIANT*) override {
    return E_NOTIMPL;
  }
};

// Makes the objects of one class.
template <typename Made>
class Factory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (id != IID_IUnknown && id != IID_IClassFactory) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID id, void** object) override {
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    Made* made = new Made;
    const HRESULT result = made->QueryInterface(id, object);
    made->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory<Manager> manager_factory;
Factory<Port> port_factory;
Factory<Program> program_factory;

}  // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID class_id, REFIID id, void** object) {
  if (class_id == __uuidof(NetFwMgr)) return manager_factory.QueryInterface(id, object);
  if (class_id == __uuidof(NetFwOpenPort)) return port_factory.QueryInterface(id, object);
  if (class_id == __uuidof(NetFwAuthorizedApplication)) return program_factory.QueryInterface(id, object);
  *object = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }
