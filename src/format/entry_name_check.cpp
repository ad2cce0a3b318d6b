#include "format/entry_name_check.hpp"

#include <array>

namespace valdorine {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsReserved(unsigned char c) {
  return c < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*';
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsUpper(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (Upper(text[i]) != upper[i]) return false;
  }
  return true;
}

// Windows opens a device for these names whatever extension follows them ("nul.txt"); the
// superscript digits 1 to 3 (UTF-8 C2 B9, C2 B2, C2 B3) count as digits for COM and LPT.
bool IsDeviceName(std::string_view component) {
  std::string_view stem = component.substr(0, component.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (std::string_view device : kPlain) {
    if (EqualsUpper(stem, device)) return true;
  }
  if (stem.size() < 4 || !(EqualsUpper(stem.substr(0, 3), "COM") || EqualsUpper(stem.substr(0, 3), "LPT"))) {
    return false;
  }
  const std::string_view number = stem.substr(3);
  if (number.size() == 1) return number[0] >= '1' && number[0] <= '9';
  return number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";
}

EntryNameFault CheckComponent(std::string_view component) {
  if (component.empty()) return EntryNameFault::kEmpty;
  if (component == "." || component == "..") return EntryNameFault::kParentOrCurrent;
  if (component.back() == '.' || component.back() == ' ') return EntryNameFault::kTrailingDotOrSpace;
  if (IsDeviceName(component)) return EntryNameFault::kDeviceName;
  return EntryNameFault::kNone;
}

}  // namespace

EntryNameFault CheckEntryName(std::string_view name) {
  for (char c : name) {
    if (c == ':') return EntryNameFault::kDriveOrStream;
    if (IsReserved(static_cast<unsigned char>(c))) return EntryNameFault::kReservedCharacter;
  }
  size_t start = 0;
  while (true) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    const EntryNameFault fault = CheckComponent(name.substr(start, end - start));
    if (fault != EntryNameFault::kNone) return fault;
    if (end == name.size()) return EntryNameFault::kNone;
    start = end + 1;
  }
}

const char* EntryNameFaultText(EntryNameFault fault) {
  switch (fault) {
    case EntryNameFault::kNone:
      return "a name inside its folder";
    case EntryNameFault::kEmpty:
      return "an empty name or folder name, or a name that starts from a drive or a root";
    case EntryNameFault::kDriveOrStream:
      return "a ':' (a drive letter or a stream name)";
    case EntryNameFault::kParentOrCurrent:
      return "a \".\" or \"..\" folder";
    case EntryNameFault::kTrailingDotOrSpace:
      return "a name that ends with a dot or a space";
    case EntryNameFault::kReservedCharacter:
      return "a control character or one of < > \" | ? *";
    case EntryNameFault::kDeviceName:
      return "a device name such as NUL, CON, COM1 or LPT1";
  }
  return "";
}

}  // namespace valdorine
