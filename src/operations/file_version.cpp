#include "operations/file_version.hpp"

#include <windows.h>

#include <vector>

#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"
#include "operations/overwrite_decision.hpp"

namespace valdorine {
namespace {

using GetSizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using GetInfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using QueryValueFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

// The version library's three functions; version.dll is not imported, so that a copy of it beside
// the installer can never be loaded in its place.
struct VersionLibrary {
  UniqueModule module{LoadLibraryExW(L"version.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)};
  GetSizeFn get_size = Function<GetSizeFn>("GetFileVersionInfoSizeW");
  GetInfoFn get_info = Function<GetInfoFn>("GetFileVersionInfoW");
  QueryValueFn query_value = Function<QueryValueFn>("VerQueryValueW");

  bool IsComplete() const { return get_size && get_info && query_value; }

  template <typename Fn>
  Fn Function(const char* name) const {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module.Get(), name))) : nullptr;
  }
};

// The string-table name of the resource's first translation, else US English in Unicode.
String StringTableBlock(const VersionLibrary& library, const void* resource) {
  struct Translation {
    WORD language;
    WORD code_page;
  };
  Translation* translations = nullptr;
  UINT size = 0;
  Translation chosen{0x0409, 1200};
  if (library.query_value(resource, L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &size) &&
      translations && size >= sizeof(Translation)) {
    chosen = translations[0];
  }
  return String::FormatWide(u"\\StringFileInfo\\%04x%04x\\FileVersion", chosen.language, chosen.code_page);
}

std::string Utf8(const wchar_t* text, UINT length) {
  const String wide = FromWinText(text, static_cast<int>(length));
  const String utf8 = NarrowFromWide(wide, code_page::kUtf8);
  return std::string(utf8.Narrow(), static_cast<size_t>(utf8.Length()));
}

}  // namespace

std::optional<std::string> FileVersionText(const String& path) {
  const VersionLibrary library;
  if (!library.IsComplete()) return std::nullopt;
  DWORD ignored = 0;
  const DWORD size = library.get_size(WinText(path), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<uint8_t> resource(size);
  if (!library.get_info(WinText(path), 0, size, resource.data())) return std::nullopt;
  wchar_t* text = nullptr;
  UINT length = 0;
  if (!library.query_value(resource.data(), WinText(StringTableBlock(library, resource.data())),
                           reinterpret_cast<void**>(&text), &length) ||
      !text || length == 0) {
    return std::nullopt;
  }
  std::string version = NormalizedVersion(Utf8(text, length));
  if (version.empty()) return std::nullopt;
  return version;
}

}  // namespace valdorine
