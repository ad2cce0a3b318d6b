#include "operations/icon_resources.hpp"

#include <windows.h>

#include <optional>

#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"
#include "format/byte_reader.hpp"
#include "format/byte_writer.hpp"

namespace valdorine {
namespace {

constexpr uint16_t kIconDirectoryType = 1;
constexpr WORD kApplicationIconGroup = 1;
constexpr size_t kFileEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;
constexpr size_t kGroupEntryIdOffset = 12;

// A pending resource update; closing it without a commit discards every change.
struct ResourceUpdateTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle update) { ::EndUpdateResourceW(update, TRUE); }
};
using UniqueResourceUpdate = UniqueResource<ResourceUpdateTraits>;

// The language and the icon image numbers of the program's icon group before the update.
struct IconGroup {
  WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
  std::vector<uint16_t> icon_ids;
};

// The entry count of an icon directory (the header shared by .ico files and icon groups).
std::optional<uint16_t> ReadDirectoryHeader(ByteReader& reader) {
  const auto reserved = reader.ReadU16();
  const auto type = reader.ReadU16();
  const auto count = reader.ReadU16();
  if (!reserved || !type || !count || *reserved != 0 || *type != kIconDirectoryType) return std::nullopt;
  return count;
}

std::optional<IconImage> ReadFileEntry(ByteReader& reader, std::span<const uint8_t> ico) {
  const auto entry = reader.ReadBytes(kFileEntrySize);
  if (!entry) return std::nullopt;
  ByteReader fields(*entry);  // holds exactly the 16 bytes read below
  IconImage image;
  image.width = *fields.ReadU8();
  image.height = *fields.ReadU8();
  image.color_count = *fields.ReadU8();
  fields.ReadU8();
  image.planes = *fields.ReadU16();
  image.bit_count = *fields.ReadU16();
  const uint32_t size = *fields.ReadU32();
  const uint32_t offset = *fields.ReadU32();
  if (size == 0 || offset > ico.size() || size > ico.size() - offset) return std::nullopt;
  image.bytes = ico.subspan(offset, size);
  return image;
}

std::vector<uint16_t> GroupIconIds(std::span<const uint8_t> group) {
  ByteReader reader(group);
  const auto count = ReadDirectoryHeader(reader);
  std::vector<uint16_t> ids;
  for (uint16_t index = 0; count && index < *count; ++index) {
    const auto entry = reader.ReadBytes(kGroupEntrySize);
    if (!entry) break;
    ids.push_back(static_cast<uint16_t>((*entry)[kGroupEntryIdOffset] | ((*entry)[kGroupEntryIdOffset + 1] << 8)));
  }
  return ids;
}

BOOL CALLBACK TakeFirstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
  *reinterpret_cast<WORD*>(found) = language;
  return FALSE;
}

IconGroup ReadIconGroup(const String& program) {
  IconGroup group;
  UniqueModule module(LoadLibraryExW(WinText(program), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) return group;
  const LPCWSTR name = MAKEINTRESOURCEW(kApplicationIconGroup);
  EnumResourceLanguagesW(module.Get(), RT_GROUP_ICON, name, TakeFirstLanguage, reinterpret_cast<LONG_PTR>(&group.language));
  HRSRC info = FindResourceExW(module.Get(), RT_GROUP_ICON, name, group.language);
  HGLOBAL loaded = info ? LoadResource(module.Get(), info) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (data) group.icon_ids = GroupIconIds({static_cast<const uint8_t*>(data), SizeofResource(module.Get(), info)});
  return group;
}

bool SetResource(HANDLE update, LPCWSTR type, WORD id, WORD language, std::span<const uint8_t> bytes) {
  return UpdateResourceW(update, type, MAKEINTRESOURCEW(id), language, const_cast<uint8_t*>(bytes.data()),
                         static_cast<DWORD>(bytes.size())) != FALSE;
}

// Removes the old images the new group does not reuse, then writes the new images and group.
bool UpdateIcons(HANDLE update, const IconGroup& old_group, const std::vector<IconImage>& images) {
  for (const uint16_t id : old_group.icon_ids) {
    if (id > images.size() && !SetResource(update, RT_ICON, id, old_group.language, {})) return false;
  }
  for (size_t index = 0; index < images.size(); ++index) {
    if (!SetResource(update, RT_ICON, static_cast<WORD>(index + 1), old_group.language, images[index].bytes)) {
      return false;
    }
  }
  return SetResource(update, RT_GROUP_ICON, kApplicationIconGroup, old_group.language, GroupIconResource(images));
}

}  // namespace

std::vector<IconImage> ReadIconFile(std::span<const uint8_t> ico) {
  ByteReader reader(ico);
  const auto count = ReadDirectoryHeader(reader);
  std::vector<IconImage> images;
  for (uint16_t index = 0; count && index < *count; ++index) {
    const auto image = ReadFileEntry(reader, ico);
    if (!image) return {};
    images.push_back(*image);
  }
  return images;
}

std::vector<uint8_t> GroupIconResource(const std::vector<IconImage>& images) {
  ByteWriter writer;
  writer.U16(0);
  writer.U16(kIconDirectoryType);
  writer.U16(static_cast<uint16_t>(images.size()));
  for (size_t index = 0; index < images.size(); ++index) {
    const IconImage& image = images[index];
    writer.U8(image.width);
    writer.U8(image.height);
    writer.U8(image.color_count);
    writer.U8(0);
    writer.U16(image.planes);
    writer.U16(image.bit_count);
    writer.U32(static_cast<uint32_t>(image.bytes.size()));
    writer.U16(static_cast<uint16_t>(index + 1));
  }
  return writer.Take();
}

IconReplacement ReplaceProgramIcon(const String& program, const String& ico) {
  const IconGroup old_group = ReadIconGroup(program);
  UniqueResourceUpdate update(BeginUpdateResourceW(WinText(program), FALSE));
  if (!update) return IconReplacement::kCannotOpen;
  const std::vector<IconImage> images = ReadIconFile({ico.Bytes(), static_cast<size_t>(ico.Length())});
  if (images.empty() || !UpdateIcons(update.Get(), old_group, images)) return IconReplacement::kFailed;
  return EndUpdateResourceW(update.Release(), FALSE) ? IconReplacement::kReplaced : IconReplacement::kFailed;
}

}  // namespace valdorine
