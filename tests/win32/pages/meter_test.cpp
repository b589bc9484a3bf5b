// The progress meter painted into a real "Progress" page: its pixels read
// back from the page's client area after each update.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "autopilot.h"
#include "setup/state.h"
#include "ui/core/meter_math.h"
#include "ui/meter.h"

namespace {

constexpr COLORREF Red = 0x000000FF;
constexpr COLORREF White = 0x00FFFFFF;
constexpr COLORREF Black = 0x00000000;

// The page's client area, pixel by pixel.
class ClientPixels {
 public:
  explicit ClientPixels(HWND page) {
    RECT client{};
    GetClientRect(page, &client);
    width_ = client.right;
    height_ = client.bottom;
    pixels_ = autopilot::ReadPixels(page, width_, height_);
  }

  COLORREF At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }

  // The smallest rectangle (inclusive edges) holding every pixel of the
  // colour inside the area; right < left when there is none.
  RECT Extent(COLORREF colour, RECT area) const {
    area.right = std::min<LONG>(area.right, width_);
    area.bottom = std::min<LONG>(area.bottom, height_);
    RECT found{area.right, area.bottom, -1, -1};
    for (int y = std::max<LONG>(area.top, 0); y < area.bottom; ++y)
      for (int x = std::max<LONG>(area.left, 0); x < area.right; ++x)
        if (At(x, y) == colour) {
          found.left = std::min<LONG>(found.left, x);
          found.top = std::min<LONG>(found.top, y);
          found.right = std::max<LONG>(found.right, x);
          found.bottom = std::max<LONG>(found.bottom, y);
        }
    return found;
  }

 private:
  int width_ = 0, height_ = 0;
  std::vector<COLORREF> pixels_;
};

// What the test does on the open page, between InitMeter and DoneMeter.
std::function<void(HWND)> Scenario;

INT_PTR CALLBACK MeterProbe(HWND page, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) {
    InitMeter(page);
    PostMessageA(page, WM_APP, 0, 0);
  } else if (message == WM_APP) {
    UpdateWindow(page);  // the page's own paint first, as before the work starts
    Scenario(page);
    DoneMeter(page);
    EndDialog(page, 1);
  }
  return 0;
}

void RunScenario(std::function<void(HWND)> scenario) {
  Scenario = std::move(scenario);
  SetupState.ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
  SetupState.ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), "Progress", nullptr, MeterProbe, 0), 1);
}

MeterGeometry LayoutOf(HWND page) {
  RECT f{}, p{};
  GetWindowRect(GetDlgItem(page, MeterFrameId), &f);
  GetWindowRect(page, &p);
  return MeterLayout({f.left, f.top, f.right, f.bottom}, {p.left, p.top, p.right, p.bottom},
                     GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYCAPTION), GetSystemMetrics(SM_CYBORDER));
}

// Covers the bar as a repaint of the page would.
void CoverBar(HWND page, const MeterGeometry& g) {
  HDC dc = GetDC(page);
  RECT r{g.Left - 2, g.Top - 2, g.Right + g.Width, g.Bottom + 2};
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  ReleaseDC(page, dc);
}

}  // namespace

TEST(ProgressMeter, PaintsRedPartWhitePartAndTheTextAtItsFixedPoint) {
  RunScenario([](HWND page) {
    const MeterGeometry g = LayoutOf(page);
    ASSERT_GT(g.Width, 100);
    DrawnPercent = -1;
    DrawMeter(1, 4, false);
    EXPECT_EQ(Percent, 25);
    EXPECT_EQ(DrawnPercent, 25);
    const int fillRight = g.Left + MeterFillWidth(1, 4, g.Width);
    const ClientPixels px(page);
    const RECT bar{g.Left, g.Top, g.Right + 4, g.Bottom + 4};
    const RECT red = px.Extent(Red, bar);
    EXPECT_EQ(red.left, g.Left);
    EXPECT_EQ(red.top, g.Top);
    EXPECT_EQ(red.right, fillRight - 1);  // the right and bottom edges are not painted
    EXPECT_EQ(red.bottom, g.Bottom - 1);
    const RECT white = px.Extent(White, bar);
    EXPECT_EQ(white.left, fillRight);
    EXPECT_EQ(white.right, g.Right - 1);
    EXPECT_EQ(white.bottom, g.Bottom - 1);
    // "25%" in black, its cell's top-left at the text point (10 left of and
    // 8 above the bar's middle), in the white part.
    const RECT text = px.Extent(Black, {g.Left, g.Top, g.Right, g.Bottom});
    ASSERT_LE(text.left, text.right) << "no text";
    EXPECT_GE(text.left, g.TextX);
    EXPECT_LE(text.left, g.TextX + 3);
    EXPECT_GE(text.top, g.TextY);
    EXPECT_LT(text.bottom, g.TextY + 16);
    EXPECT_LT(text.right, g.TextX + 40);
  });
}

TEST(ProgressMeter, SamePercentOrAboveTheBoundPaintsNothing) {
  RunScenario([](HWND page) {
    const MeterGeometry g = LayoutOf(page);
    const RECT bar{g.Left, g.Top, g.Right, g.Bottom};
    DrawnPercent = -1;
    DrawMeter(50, 100, false);
    CoverBar(page, g);
    DrawMeter(502, 1000, false);  // still 50 per cent
    EXPECT_EQ(ClientPixels(page).Extent(Red, bar).right, -1);
    DrawMeter(101, 100, true);  // above 100 with the bound
    EXPECT_EQ(Percent, 101);
    EXPECT_EQ(DrawnPercent, 50);
    EXPECT_EQ(ClientPixels(page).Extent(Red, bar).right, -1);
    DrawMeter(51, 100, true);
    EXPECT_EQ(DrawnPercent, 51);
    EXPECT_GT(ClientPixels(page).Extent(Red, bar).right, g.Left);
  });
}

// At 100 per cent and beyond, the white rectangle's left edge lies right of
// its right edge; the system draws it between the two, so only the bar's
// last column (and, beyond 100, what lies past it) turns white again.
TEST(ProgressMeter, FullAndOverfullBars) {
  RunScenario([](HWND page) {
    const MeterGeometry g = LayoutOf(page);
    const RECT bar{g.Left, g.Top, g.Right, g.Bottom};
    DrawnPercent = -1;
    DrawMeter(7, 7, false);
    EXPECT_EQ(Percent, 100);
    ClientPixels full(page);
    const RECT red = full.Extent(Red, bar);
    EXPECT_EQ(red.left, g.Left);
    EXPECT_EQ(red.right, g.Right - 1);
    EXPECT_EQ(full.Extent(White, bar).right, -1);
    CoverBar(page, g);
    DrawMeter(3, 2, false);  // 150 per cent, painted as it comes
    EXPECT_EQ(Percent, 150);
    EXPECT_EQ(DrawnPercent, 150);
    ClientPixels over(page);
    EXPECT_EQ(over.Extent(Red, bar).left, g.Left);
    EXPECT_EQ(over.Extent(Red, bar).right, g.Right - 1);
    const RECT text = over.Extent(Black, bar);
    EXPECT_GE(text.left, g.TextX);  // "150%" starts where "5%" would
    EXPECT_LE(text.left, g.TextX + 3);
    EXPECT_GT(text.right, g.TextX + 20);
  });
}
