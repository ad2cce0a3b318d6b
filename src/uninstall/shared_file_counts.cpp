#include "uninstall/shared_file_counts.hpp"

#include <windows.h>

#include <ole2.h>

#include "core/path_text.hpp"
#include "core/win32/crash_guard.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/process_start.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/safe_delete.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/win_text.hpp"
#include "package/language_message.hpp"
#include "package/language_strings.hpp"
#include "ui/message_boxes.hpp"
#include "uninstall/quoted_texts.hpp"

namespace valdorine {
namespace {

constexpr char16_t kSharedDllsKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr char kComServerMark = '^';
constexpr char kCountedOnlyMark = ' ';
constexpr char kTypeLibraryMark = static_cast<char>(0xA9);
constexpr int kDeleteQuestionString = 59;
constexpr int kDeleteQuestionCaption = 35;

// Removes `mark` from the end of `text` when it is there.
bool TakeMark(String& text, char mark) {
  if (text.IsEmpty() || text.NarrowAt(text.Length() - 1) != mark) return false;
  text.SetLength(text.Length() - 1);
  return true;
}

SharedFile ParseEntry(String entry) {
  SharedFile file;
  if (TakeMark(entry, kComServerMark)) file.kind = SharedFileKind::kComServer;
  if (TakeMark(entry, kCountedOnlyMark)) file.kind = SharedFileKind::kCountedOnly;
  if (TakeMark(entry, kTypeLibraryMark)) file.kind = SharedFileKind::kTypeLibrary;
  file.path = WidePathFromNarrow(entry);
  return file;
}

void UnregisterTypeLibrary(const String& path) {
  ITypeLib* library = nullptr;
  if (FAILED(LoadTypeLibEx(WinText(path), REGKIND_NONE, &library))) return;
  TLIBATTR* attributes = nullptr;
  if (SUCCEEDED(library->GetLibAttr(&attributes))) {
    UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum, attributes->lcid,
                      attributes->syskind);
    library->ReleaseTLibAttr(attributes);
  }
  library->Release();
}

// regsvr32 from the system folder; when it cannot be started or fails, the server's own entry point.
void UnregisterComServer(const String& path) {
  const String regsvr32 = JoinPath(SystemFolder(), String::FromWide(u"regsvr32.exe"));
  const String command = ConcatWide(u"\"", regsvr32.Wide(), u"\" /s /u \"", path.Wide(), u"\"", nullptr);
  unsigned long exit_code = 1;
  if (RunProcessAndWait(command, SystemFolder(), true, &exit_code) && exit_code == 0) return;
  const UniqueModule module(LoadLibraryExW(WinText(path), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!module.IsValid()) return;
  using UnregisterFn = HRESULT(STDAPICALLTYPE*)();
  auto unregister = reinterpret_cast<UnregisterFn>(
      reinterpret_cast<void*>(GetProcAddress(module.Get(), "DllUnregisterServer")));
  if (unregister) unregister();
}

void RemoveUnusedFile(const SharedFile& file, bool ask) {
  if (file.kind == SharedFileKind::kCountedOnly) return;
  // A crash inside the file's own code leaves it registered; the file is still removed.
  if (file.kind == SharedFileKind::kComServer) RunGuarded([&] { UnregisterComServer(file.path); });
  if (file.kind == SharedFileKind::kTypeLibrary) RunGuarded([&] { UnregisterTypeLibrary(file.path); });
  if (!FileExists(file.path)) return;
  if (ask && !AskYesNo(LanguageMessage(kDeleteQuestionString, {file.path}), LanguageString(kDeleteQuestionCaption))) {
    return;
  }
  DeleteFileAt(file.path);
}

}  // namespace

Array<SharedFile> ParseSharedFiles(const String& value) {
  Array<SharedFile> files;
  for (const String& entry : QuotedTexts(value)) {
    const SharedFile file = ParseEntry(entry);
    if (!file.path.IsEmpty()) files.Append(file);
  }
  return files;
}

bool ReleaseSharedFiles(const Array<SharedFile>& files, bool ask) {
  RegKey counts;
  if (counts.OpenKey(HKEY_LOCAL_MACHINE, String::FromWide(kSharedDllsKey),
                     reg_key::kOpenOnly | reg_key::kDefaultSecurity, reg_access::kAll) == open_key_result::kFailed) {
    return false;
  }
  for (const SharedFile& file : files) {
    uint32_t count = 0;
    if (!counts.ReadDword(file.path, count)) continue;
    if (count >= 1) {
      counts.SetDword(file.path, --count);
      if (count >= 1) continue;
    }
    RemoveUnusedFile(file, ask);
  }
  return true;
}

}  // namespace valdorine
