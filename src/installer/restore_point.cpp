#include "installer/restore_point.hpp"

#include <windows.h>
#include <srrestoreptapi.h>

#include <cstring>

#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

using SetRestorePointFn = BOOL(WINAPI*)(PRESTOREPOINTINFOW, PSTATEMGRSTATUS);

struct RestoreService {
  UniqueModule library;
  SetRestorePointFn set_restore_point = nullptr;
  INT64 sequence_number = 0;  // of the restore point begun
};

RestoreService& Service() {
  static RestoreService service;
  return service;
}

SetRestorePointFn LoadSetRestorePoint() {
  RestoreService& service = Service();
  if (!service.library) {
    service.library.Reset(LoadLibraryExW(L"srclient.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!service.library) return nullptr;
    service.set_restore_point = reinterpret_cast<SetRestorePointFn>(
        reinterpret_cast<void*>(GetProcAddress(service.library.Get(), "SRSetRestorePointW")));
  }
  return service.set_restore_point;
}

}  // namespace

String RestorePointDescription(const String& product_name, const String& version) {
  if (version.IsEmpty()) return product_name;
  return ConcatWide(product_name.Wide(), u" ", version.Wide(), nullptr);
}

bool BeginRestorePoint(const String& description) {
  const SetRestorePointFn set_restore_point = LoadSetRestorePoint();
  if (!set_restore_point) return false;
  RESTOREPOINTINFOW info{};
  info.dwEventType = BEGIN_SYSTEM_CHANGE;
  info.dwRestorePtType = APPLICATION_INSTALL;
  const int length = description.WideLength() < MAX_DESC_W - 1 ? description.WideLength() : MAX_DESC_W - 1;
  std::memcpy(info.szDescription, description.Wide(), static_cast<size_t>(length) * sizeof(wchar_t));
  STATEMGRSTATUS status{};
  if (!set_restore_point(&info, &status)) {
    SetLastError(status.nStatus);
    return false;
  }
  Service().sequence_number = status.llSequenceNumber;
  return true;
}

bool CommitRestorePoint() {
  RestoreService& service = Service();
  if (!service.set_restore_point) return false;
  RESTOREPOINTINFOW info{};
  info.dwEventType = END_SYSTEM_CHANGE;
  info.dwRestorePtType = APPLICATION_INSTALL;
  info.llSequenceNumber = service.sequence_number;
  STATEMGRSTATUS status{};
  return service.set_restore_point(&info, &status) != FALSE;
}

}  // namespace valdorine
