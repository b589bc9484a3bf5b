#include "ui/core/gradient.h"

#include <gtest/gtest.h>

namespace {

constexpr Colour Blue = 0x00FF0000;
constexpr Colour Black = 0x00000000;

Colour Rgb(int r, int g, int b) { return ColourOf({r, g, b}); }

}  // namespace

TEST(Gradient, StepsAndBand) {
  EXPECT_EQ(GradientSteps(Blue, Black), 255);
  EXPECT_EQ(GradientSteps(Rgb(10, 20, 30), Rgb(10, 20, 30)), 0);
  EXPECT_EQ(GradientSteps(Rgb(0, 0, 0), Rgb(255, 128, 0)), 255);
  EXPECT_EQ(GradientSteps(Rgb(200, 0, 9), Rgb(190, 3, 0)), 10);
  EXPECT_EQ(GradientBand(480, 255), 1);
  EXPECT_EQ(GradientBand(600, 255), 2);
  EXPECT_EQ(GradientBand(768, 255), 3);
  EXPECT_EQ(GradientBand(200, 255), 0);
  EXPECT_EQ(GradientBand(480, 1), 480);
}

// Rows the backdrop must show, taken from worked examples.
struct RowCase { Colour top; Colour bottom; int height; int y; Colour expected; };

TEST(Gradient, RowColoursOfKnownScreens) {
  const RowCase cases[] = {
      // Equal colours: the top colour everywhere.
      {Rgb(7, 8, 9), Rgb(7, 8, 9), 480, 0, Rgb(7, 8, 9)},
      {Rgb(7, 8, 9), Rgb(7, 8, 9), 480, 479, Rgb(7, 8, 9)},
      // One unit apart: the one step falls after the last row.
      {Rgb(0, 0, 1), Rgb(0, 0, 0), 480, 479, Rgb(0, 0, 1)},
      // Blue to black on 480 rows: band 1, black from row 255 on.
      {Blue, Black, 480, 0, Blue},
      {Blue, Black, 480, 254, Rgb(0, 0, 1)},
      {Blue, Black, 480, 255, Black},
      {Blue, Black, 480, 479, Black},
      // 600 rows: band 2, black from row 510 on.
      {Blue, Black, 600, 1, Blue},
      {Blue, Black, 600, 2, Rgb(0, 0, 254)},
      {Blue, Black, 600, 509, Rgb(0, 0, 1)},
      {Blue, Black, 600, 510, Black},
      // 768 rows: band 3, rows 762 to 764 blue 1, then black.
      {Blue, Black, 768, 761, Rgb(0, 0, 2)},
      {Blue, Black, 768, 762, Rgb(0, 0, 1)},
      {Blue, Black, 768, 764, Rgb(0, 0, 1)},
      {Blue, Black, 768, 765, Black},
      {Blue, Black, 768, 767, Black},
      // More steps than rows: one step per row, the bottom row short of black.
      {Blue, Black, 200, 1, Rgb(0, 0, 254)},
      {Blue, Black, 200, 199, Rgb(0, 0, 56)},
      // Green stops at 128 after 128 steps while red goes on.
      {Rgb(0, 0, 0), Rgb(255, 128, 0), 255, 127, Rgb(127, 127, 0)},
      {Rgb(0, 0, 0), Rgb(255, 128, 0), 255, 128, Rgb(128, 128, 0)},
      {Rgb(0, 0, 0), Rgb(255, 128, 0), 255, 200, Rgb(200, 128, 0)},
      {Rgb(0, 0, 0), Rgb(255, 128, 0), 255, 254, Rgb(254, 128, 0)},
      // Channels moving in opposite directions.
      {Rgb(250, 0, 100), Rgb(245, 5, 100), 10, 9, Rgb(246, 4, 100)},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GradientRowColour(c.top, c.bottom, c.height, c.y), c.expected)
        << std::hex << c.top << " -> " << c.bottom << std::dec << ", " << c.height << " rows, row " << c.y;
}

// The row-by-row walk the painting uses must land on the closed form at
// every row.
TEST(Gradient, WalkAgreesWithClosedFormOnEveryRow) {
  struct WalkCase { Colour top; Colour bottom; int height; };
  const WalkCase cases[] = {
      {Blue, Black, 480},  {Blue, Black, 600},  {Blue, Black, 768}, {Blue, Black, 200},
      {Rgb(0, 0, 1), Black, 480},  {Rgb(0, 0, 0), Rgb(255, 128, 0), 1024},
      {Rgb(250, 0, 100), Rgb(0, 255, 37), 1200},  {Rgb(3, 200, 60), Rgb(90, 10, 61), 777},
      {Rgb(7, 8, 9), Rgb(7, 8, 9), 50},  {Black, Rgb(255, 255, 255), 1},
  };
  for (const auto& c : cases) {
    GradientWalk walk(c.top, c.bottom, c.height);
    for (int y = 0; y < c.height; ++y, walk.NextRow()) {
      ASSERT_EQ(walk.Current(), GradientRowColour(c.top, c.bottom, c.height, y))
          << std::hex << c.top << " -> " << c.bottom << std::dec << ", " << c.height << " rows, row " << y;
    }
  }
}

TEST(ShadowColour, FollowsRoundedLuminance) {
  struct ShadowCase { Colour title; int luminance; Colour shadow; };
  const ShadowCase cases[] = {
      {Rgb(255, 255, 0), 227, Black},         // yellow: 226.95
      {Rgb(0, 0, 255), 28, 0x00FFFFFF},       // blue: 28.05
      {Rgb(128, 128, 128), 128, Black},       // 127.99999999999999 in double: rounding, not truncation
      {Rgb(127, 127, 127), 127, 0x00FFFFFF},
      {Rgb(0, 179, 199), 128, Black},         // exactly 127.5: the even neighbour is 128
      {Rgb(0, 187, 147), 126, 0x00FFFFFF},    // exactly 126.5 goes down to 126
      {Rgb(0, 171, 251), 128, Black},         // exactly 128.5 goes down to 128
      {Rgb(0, 0, 50), 6, 0x00FFFFFF},         // 5.5 goes up to 6
      {Rgb(1, 0, 20), 2, 0x00FFFFFF},         // 2.5 goes down to 2
      {Rgb(255, 255, 255), 255, Black},
      {Black, 0, 0x00FFFFFF},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RoundedLuminance(c.title), c.luminance) << std::hex << c.title;
    EXPECT_EQ(ShadowColour(c.title), c.shadow) << std::hex << c.title;
  }
}
