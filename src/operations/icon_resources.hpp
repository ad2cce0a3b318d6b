// Replacing the application icon of a written program file with the icons of an .ico file: the
// file's icon images become RT_ICON resources and its directory the RT_GROUP_ICON resource 1, the
// group that Windows shows for the program.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/string.hpp"

namespace valdorine {

// One image of an .ico file, with its directory fields.
struct IconImage {
  uint8_t width = 0;
  uint8_t height = 0;
  uint8_t color_count = 0;
  uint16_t planes = 0;
  uint16_t bit_count = 0;
  std::span<const uint8_t> bytes;  // within the .ico file's bytes
};

// The images of an .ico file's bytes, every directory entry checked against the file's size.
// Empty when the bytes are no icon file or an entry points outside them.
std::vector<IconImage> ReadIconFile(std::span<const uint8_t> ico);

// The RT_GROUP_ICON resource for `images`, whose RT_ICON resources are numbered from 1.
std::vector<uint8_t> GroupIconResource(const std::vector<IconImage>& images);

enum class IconReplacement { kReplaced, kCannotOpen, kFailed };

// Replaces icon group 1 of the program at `program` (wide) and its icon images with the icon file
// `ico`, in the group's language. kCannotOpen when the file cannot be opened for resource
// updates; kFailed, with the update discarded, when the icon file is unusable or an update fails.
IconReplacement ReplaceProgramIcon(const String& program, const String& ico);

}  // namespace valdorine
