// The background window: a painted backdrop over the screen's work area that owns the installer's
// other windows. It shows a vertical colour gradient (or one colour), an optional picture, and a
// title and a copyright line drawn in large type with a shadow.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/string.hpp"
#include "format/install_script.hpp"

namespace valdorine {

// One text painted on the backdrop. Position: 0 none, 1 top left, 2 top centre, 3 top right,
// 4 bottom left, 5 bottom centre, 6 bottom right.
struct BackdropText {
  String text;           // wide
  String font;           // wide face name
  double points = 0;     // size in points before shrinking to fit
  uint32_t colour = 0;   // COLORREF
  uint32_t shadow = 0;   // shadow strength; the offset is font height * shadow / 1300 pixels
  uint32_t position = 0;
};

struct BackdropLook {
  String caption;  // wide; the text on the taskbar
  BackdropText title;
  BackdropText copyright;
  uint32_t top_colour = 0;  // COLORREF
  uint32_t bottom_colour = 0;
  bool one_colour = false;  // fill with the top colour only
  String picture;           // a BMP file's bytes; empty: none
  uint32_t picture_percent = 0;
  uint32_t stretch_mode = 0;  // 1 fit, 2 whole multiple, 3 tiled, other: stretched
  bool maximised = false;     // shown maximised instead of over the work area
};

// The look that the install script describes (title at TitleSize * 26 points, copyright at
// CopyrightSize * 16 points without shadow).
BackdropLook BackdropLookFromScript(const InstallScript& script);

// Creates and shows the backdrop (minimised when asked); null when it cannot be created, and the
// run then goes on without it.
HWND CreateBackgroundWindow(const BackdropLook& look, bool minimised);
// The backdrop, or null.
HWND BackgroundWindow();
// Replaces the painted title's text (language string 0 stands in for a blank title).
void SetBackdropTitle(const String& title);
void BringBackgroundToFront();
// Minimises and destroys the backdrop.
void CloseBackgroundWindow();

// The geometry of the painting, apart so that it can be checked without a screen.
namespace backdrop {
// The title is drawn at its size factor times 26 points, the copyright line at its factor times 16.
inline constexpr double kTitlePointsPerSize = 26.0;
inline constexpr double kCopyrightPointsPerSize = 16.0;
// Height of one band of the hand-drawn gradient: client height / 224, from 1 to 3 pixels.
int GradientBandHeight(int client_height);
// Where the picture of `picture` pixels goes in `client` (not for tiling, mode 3).
RECT PictureRectangle(const RECT& client, SIZE picture, uint32_t percent, uint32_t stretch_mode);
// The top-left corner of a text of `extent` pixels (shadow not included) for `position`.
POINT TextOrigin(const RECT& client, SIZE extent, int shadow, uint32_t position);
// The largest whole point size from `points` down to 6 at which `width_at(size)` plus the side
// margin fits into `client_width`; `width_at` gives the text's width plus its shadow in pixels.
template <typename WidthAt>
int FittingPointSize(int points, int client_width, WidthAt width_at) {
  const int margin = client_width / 200;
  while (points > 6 && width_at(points) + margin > client_width) --points;
  return points;
}
}  // namespace backdrop

}  // namespace valdorine
