#include "ui/core/meter_math.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>

TEST(MeterLayout, EdgesAndTextFromTheTwoRectangles) {
  // Frame at (115,300)-(365,321) in a page at (100,250)-(400,390), borders 1,
  // caption 18.
  const MeterGeometry g = MeterLayout({115, 300, 365, 321}, {100, 250, 400, 390}, 1, 18, 1);
  EXPECT_EQ(g.Left, 14);
  EXPECT_EQ(g.Top, 31);
  EXPECT_EQ(g.Right, 260);
  EXPECT_EQ(g.Bottom, 48);
  EXPECT_EQ(g.Width, 247);
  EXPECT_EQ(g.TextX, 14 + 123 - 10);
  EXPECT_EQ(g.TextY, 31 + 8 - 8);  // 17 div 2 = 8
}

TEST(MeterLayout, HalvingTruncatesTowardZero) {
  // A frame narrower than the 4-pixel inset: Right - Left = -9, halved to -4
  // (not -5), and the same for the height.
  const MeterGeometry g = MeterLayout({115, 300, 110, 293}, {100, 250, 400, 390}, 1, 18, 1);
  EXPECT_EQ(g.Right - g.Left, -9);
  EXPECT_EQ(g.TextX, g.Left - 4 - 10);
  EXPECT_EQ(g.Bottom - g.Top, -11);
  EXPECT_EQ(g.TextY, g.Top - 5 - 8);
  EXPECT_EQ(g.Width, -8);
}

struct PercentCase { int done, total, percent; };

TEST(MeterPercent, RoundsTheExtendedQuotientHalvesToEven) {
  const PercentCase cases[] = {
      {0, 1165190, 0},
      {1165190, 1165190, 100},        // done = total
      {1167238, 1165190, 100},        // just over: 100.18
      {1171334, 1165190, 101},        // done > total: shown as it comes
      {2 * 1165190, 1165190, 200},
      {2048, 5000, 41},               // the expansion of 5000 bytes
      {4096, 5000, 82},
      {2048, 4096, 50},
      {1, 8, 12},                     // 12.5 exactly: to even
      {3, 8, 38},                     // 37.5 exactly: to even
      {1, 40, 2},                     // 2.5 after rounding the quotient
      {59, 200, 29},                  // 29.5 exactly, but the quotient rounds below it
      {199, 200, 100},                // 99.5: to even
      {1, 200, 0},                    // 0.5: to even
      {3, 200, 2},                    // 1.5: to even
      {-1, 8, -12},                   // symmetric
      {1, -8, -12},
      {2147483647, 1, 2147483647},    // saturates instead of wrapping
  };
  for (const auto& c : cases) EXPECT_EQ(MeterPercent(c.done, c.total), c.percent) << c.done << "/" << c.total;
}

struct FillCase { int done, total, width, fill; };

TEST(MeterFillWidth, ThroughFortyBitRealsHalvesAwayFromZero) {
  const FillCase cases[] = {
      {0, 100, 247, 0},
      {100, 100, 247, 247},        // done = total: FillRight = Right + 1
      {150, 100, 247, 370},        // done > total reaches past the bar
      {1, 2, 5, 2},                // 2.5 exact: the integer rounding is to even
      {1, 2, 7, 4},                // 3.5 exact: to even
      {13, 24, 12, 7},             // 6.5 exactly, but the 40-bit quotient rounds above it
      {5, 138, 69, 3},             // 2.5: the halfway 40-bit product rounds away, then up
      {196, 384, 48, 25},          // 24.5: likewise
      {3, 22, 77, 11},             // 10.5: the 40-bit quotient tips it up (extended: 10)
      {2310, 4300, 215, 115},      // 115.5: the 40-bit quotient tips it down (extended: 116)
      {1581, 2914, 141, 77},
      {-1, 2, 7, -4},              // symmetric
  };
  for (const auto& c : cases)
    EXPECT_EQ(MeterFillWidth(c.done, c.total, c.width), c.fill) << c.done << "/" << c.total << " x " << c.width;
}

#if LDBL_MANT_DIG == 64
// Where long double is the 80-bit extended format (x86), the integer
// emulation must agree with the hardware's own rounding at every step.
namespace {

long double StoreAs40Bits(long double x) {  // positive x, ties away from zero
  if (x == 0) return 0;
  int e = 0;
  const long double scaled = std::ldexp(std::frexp(x, &e), 40);
  long double whole = std::floor(scaled);
  if (scaled - whole >= 0.5L) whole += 1;
  return std::ldexp(whole, e - 40);
}

}  // namespace

TEST(MeterArithmetic, AgreesWithExtendedHardware) {
  std::mt19937 random(20240601);
  for (int i = 0; i < 300000; ++i) {
    const int total = 1 + static_cast<int>(random() % (i % 2 ? 5000 : 3000000));
    const int done = static_cast<int>(random() % (total + total / 8 + 2));
    const int width = 1 + static_cast<int>(random() % 400);
    volatile long double q = static_cast<long double>(done) / total;
    volatile long double p = q * 100;
    ASSERT_EQ(MeterPercent(done, total), static_cast<int>(std::nearbyint(p))) << done << "/" << total;
    volatile long double q40 = StoreAs40Bits(q);
    volatile long double f = StoreAs40Bits(q40 * width);
    ASSERT_EQ(MeterFillWidth(done, total, width), static_cast<int>(std::nearbyint(f)))
        << done << "/" << total << " x " << width;
  }
}
#endif
