// Where the backdrop paints its picture and texts, where the progress page goes and where the
// summary page's boxes go: the geometry, checked without a screen.
#include <gtest/gtest.h>

#include <string>

#include "ui/background_window.hpp"
#include "ui/page_setup.hpp"
#include "ui/progress_window.hpp"
#include "ui/summary_page.hpp"

namespace valdorine {
namespace {

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

struct PictureCase {
  const char* name;
  SIZE picture;
  uint32_t percent;
  uint32_t mode;
  RECT expected;
};

TEST(BackdropPicture, FitsIntoTheShrunkenAreaAsItsModeSays) {
  const RECT client{0, 0, 1000, 800};
  const PictureCase cases[] = {
      {"stretched fills the whole area", {100, 50}, 100, 0, {0, 0, 1000, 800}},
      {"stretched in half the area, centred", {100, 50}, 50, 4, {250, 200, 750, 600}},
      {"fit: a wide picture takes the full width", {200, 100}, 100, 1, {0, 150, 1000, 650}},
      {"fit: a tall picture takes the full height", {100, 200}, 100, 1, {300, 0, 700, 800}},
      {"whole multiple: three times fits, four does not", {300, 200}, 100, 2, {50, 100, 950, 700}},
      {"whole multiple larger than the area falls back to fitting", {2000, 1000}, 100, 2, {0, 150, 1000, 650}},
  };
  for (const PictureCase& c : cases) {
    const RECT placed = backdrop::PictureRectangle(client, c.picture, c.percent, c.mode);
    EXPECT_TRUE(placed == c.expected) << c.name << ": " << Describe(placed);
  }
}

struct TextCase {
  uint32_t position;
  POINT expected;
};

TEST(BackdropText, IsAlignedByItsPositionWithinTheMargins) {
  const RECT client{0, 0, 1000, 800};  // margins: 5 at the sides, 2 above and below
  const SIZE text{200, 40};
  const int shadow = 4;
  const TextCase cases[] = {
      {1, {5, 2}},     {2, {398, 2}},     {3, {791, 2}},
      {4, {5, 754}},   {5, {398, 754}},   {6, {791, 754}},
  };
  for (const TextCase& c : cases) {
    const POINT at = backdrop::TextOrigin(client, text, shadow, c.position);
    EXPECT_EQ(at.x, c.expected.x) << "position " << c.position;
    EXPECT_EQ(at.y, c.expected.y) << "position " << c.position;
  }
}

TEST(BackdropText, ShrinksByWholePointsUntilItFitsButNeverBelowSix) {
  // A text 20 pixels wide per point in a window of 1000 pixels (side margin 5).
  auto width_at = [](int points) { return points * 20; };
  EXPECT_EQ(backdrop::FittingPointSize(26, 1000, width_at), 26);
  EXPECT_EQ(backdrop::FittingPointSize(60, 1000, width_at), 49);
  EXPECT_EQ(backdrop::FittingPointSize(60, 100, width_at), 6);
}

TEST(BackdropGradient, BandsAreOneToThreePixelsHigh) {
  const int cases[][2] = {{100, 1}, {447, 1}, {448, 2}, {700, 3}, {2000, 3}};
  for (const auto& c : cases) EXPECT_EQ(backdrop::GradientBandHeight(c[0]), c[1]) << "height " << c[0];
}

struct PlacementCase {
  uint32_t code;
  POINT expected;
};

TEST(ProgressPage, IsPlacedInTheWorkAreaByItsPositionCode) {
  const RECT area{0, 30, 1280, 1000};
  const RECT page{100, 100, 500, 300};  // 400 x 200, where the template put it
  const PlacementCase cases[] = {
      {27, {440, 415}},  // centred both ways
      {9, {0, 30}},      // top left
      {18, {880, 800}},  // bottom right
      {0, {100, 100}},   // unchanged
      {3, {440, 100}},   // centred across, unchanged down
      {16, {100, 800}},  // unchanged across, at the bottom
  };
  for (const PlacementCase& c : cases) {
    const POINT at = ProgressPagePosition(area, page, c.code);
    EXPECT_EQ(at.x, c.expected.x) << "code " << c.code;
    EXPECT_EQ(at.y, c.expected.y) << "code " << c.code;
  }
}

struct BoxCase {
  uint32_t style;
  int shown;
  int left;
  int top;
};

TEST(SummaryPage, BoxesStartWhereTheStyleSays) {
  const BoxCase cases[] = {
      {0, 1, 12, 85}, {0, 4, 12, 64}, {1, 1, 98, 72}, {3, 2, 98, 72}, {2, 3, 20, 98}, {7, 1, 20, 98},
  };
  for (const BoxCase& c : cases) {
    const SummaryBoxPlacement at = SummaryBoxesAt(c.style, c.shown);
    EXPECT_EQ(at.left, c.left) << "style " << c.style;
    EXPECT_EQ(at.first_top, c.top) << "style " << c.style << ", " << c.shown << " boxes";
  }
}

TEST(PageStyle, PicksTheTemplateOfTheStyle) {
  const std::pair<uint32_t, const char16_t*> cases[] = {
      {0, u"ProgressDlg2"}, {1, u"ProgressDlg"}, {2, u"ProgressDlg3"}, {3, u"ProgressDlg4"}, {9, u"ProgressDlg3"}};
  for (const auto& [style, name] : cases) {
    EXPECT_TRUE(PageTemplateName(u"ProgressDlg", style) == String::FromWide(name)) << "style " << style;
  }
}

}  // namespace
}  // namespace valdorine
