// RAII ownership of GDI objects: fonts, brushes and bitmaps are deleted, and an object selected
// into a device context is deselected again.
#pragma once

#include <windows.h>

#include "core/win32/unique_handle.hpp"

namespace valdorine {

namespace handle_traits {
template <typename ObjectHandle>
struct GdiObject {
  using Handle = ObjectHandle;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
};
}  // namespace handle_traits

using UniqueFont = UniqueResource<handle_traits::GdiObject<HFONT>>;
using UniqueBrush = UniqueResource<handle_traits::GdiObject<HBRUSH>>;
using UniqueBitmap = UniqueResource<handle_traits::GdiObject<HBITMAP>>;

// Selects an object into a device context for the lifetime of this value.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectedObject() { SelectObject(dc_, previous_); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace valdorine
