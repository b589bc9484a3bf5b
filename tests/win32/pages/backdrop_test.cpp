// The backdrop on a real window: its pixels read back after a paint, on
// whatever screen size Wine's desktop has (the suite runs at 1024 x 768 and
// again at 640 x 480), and the quit messages of a close.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "autopilot.h"
#include "import_patch.h"
#include "setup/fatal.h"
#include "setup/state.h"
#include "ui/backdrop.h"
#include "ui/core/gradient.h"

namespace {

constexpr Colour Blue = 0x00FF0000;
constexpr Colour Black = 0x00000000;
constexpr Colour White = 0x00FFFFFF;
constexpr Colour Yellow = 0x0000FFFF;

// Every pixel of a window, read through its device context after a paint.
class Capture {
 public:
  Capture(HWND window, int width, int height)
      : width_(width), height_(height), pixels_(autopilot::ReadPixels(window, width, height)) {}

  // As a colour value, 0x00BBGGRR.
  Colour At(int x, int y) const { return pixels_[y * width_ + x]; }

  static Colour FromDib(std::uint32_t p) { return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16); }

  // The smallest rectangle holding every pixel of the colour inside the
  // area; empty (right < left) when there is none.
  RECT Extent(Colour colour, const RECT& area) const {
    RECT found{area.right, area.bottom, -1, -1};
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x)
        if (At(x, y) == colour) {
          found.left = std::min<LONG>(found.left, x);
          found.top = std::min<LONG>(found.top, y);
          found.right = std::max<LONG>(found.right, x);
          found.bottom = std::max<LONG>(found.bottom, y);
        }
    return found;
  }

 private:
  int width_;
  int height_;
  std::vector<COLORREF> pixels_;
};

const char* const BackdropClass = "BackdropUnderTest";

void RegisterBackdropClass() {
  static const bool registered = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = GuardedWindowProc<BackdropWindowProc>;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = BackdropClass;  // no background brush, as the setup's own class
    return RegisterClassA(&windowClass) != 0;
  }();
  ASSERT_TRUE(registered);
}

// A full-screen backdrop as the setup creates it, with the test package's
// colours and texts.
class Backdrop : public testing::Test {
 protected:
  void SetUp() override {
    savedConfig_ = SetupConfig;
    savedState_ = SetupState;
    RegisterBackdropClass();
    width_ = GetSystemMetrics(SM_CXSCREEN);
    height_ = GetSystemMetrics(SM_CYSCREEN);
    SetupState.ScreenWidth = width_;
    SetupState.ScreenHeight = height_;
    SetupState.LogoBitmap = LoadBitmapA(GetModuleHandleA(nullptr), "logo");
    ASSERT_TRUE(SetupState.LogoBitmap);
    window_ = CreateWindowExA(0, BackdropClass, "Installation", WS_POPUP | WS_VISIBLE, 0, 0, width_, height_,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(window_);
    SetupState.BackdropWindow = window_;
    DrainMessages();
  }

  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    DrainMessages();  // the quit messages of the destruction
    if (SetupState.LogoBitmap) DeleteObject(SetupState.LogoBitmap);
    SetupConfig = savedConfig_;
    SetupState = savedState_;
  }

  static void DrainMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
      if (message.message != WM_QUIT) DispatchMessageA(&message);
  }

  // Has the window painted, with an update region of one pixel only.
  Capture PaintAndCapture(const RECT& invalid = RECT{0, 0, 1, 1}) {
    InvalidateRect(window_, &invalid, TRUE);
    UpdateWindow(window_);
    return Capture(window_, width_, height_);
  }

  // Rows below the title and above the logo, and the whole left column,
  // carry nothing but the gradient.
  void ExpectGradient(const Capture& screen, Colour top, Colour bottom) {
    for (int y = 0; y < height_; ++y) {
      const Colour expected = GradientRowColour(top, bottom, height_, y);
      ASSERT_EQ(screen.At(0, y), expected) << "row " << y;
      if (y > 80 && y < height_ - 72) {
        ASSERT_EQ(screen.At(width_ / 2, y), expected) << "row " << y;
        ASSERT_EQ(screen.At(width_ - 1, y), expected) << "row " << y;
      }
    }
  }

  HWND window_ = nullptr;
  int width_ = 0;
  int height_ = 0;

 private:
  SetupConfigBlock savedConfig_;
  SetupStateBlock savedState_;
};

}  // namespace

TEST_F(Backdrop, GradientRowsOfThePackageColours) {
  const Capture screen = PaintAndCapture();
  ExpectGradient(screen, Blue, Black);
  // Worked rows: band 1 on 480 rows, 2 on 600, 3 on 768.
  struct KnownRow { int height; int y; Colour colour; };
  const KnownRow known[] = {
      {480, 254, 0x00010000}, {480, 255, Black}, {600, 509, 0x00010000}, {600, 510, Black},
      {768, 761, 0x00020000}, {768, 762, 0x00010000}, {768, 764, 0x00010000}, {768, 765, Black},
  };
  int checked = 0;
  for (const KnownRow& row : known) {
    if (row.height != height_) continue;
    EXPECT_EQ(screen.At(0, row.y), row.colour) << "row " << row.y;
    ++checked;
  }
  EXPECT_GT(checked, 0) << "no worked rows for a screen " << height_ << " rows high";
}

TEST_F(Backdrop, GradientRowsOfOtherColours) {
  struct Pair { Colour top; Colour bottom; };
  const Pair pairs[] = {
      {0x00000000, 0x000080FF},  // to (255, 128, 0): green stops at 128 early
      {0x00405060, 0x00405060},  // equal: one fill
      {0x00000001, 0x00000000},  // one unit apart: the step falls after the last row
      {0x0010F020, 0x00F01030},  // channels running both ways
  };
  for (const Pair& pair : pairs) {
    SCOPED_TRACE(testing::Message() << std::hex << pair.top << " -> " << pair.bottom);
    SetupConfig.GradientTop = pair.top;
    SetupConfig.GradientBottom = pair.bottom;
    ExpectGradient(PaintAndCapture(), pair.top, pair.bottom);
  }
}

// Every paint redraws the whole screen, however small the update region, and
// nothing erases it afterwards.
TEST_F(Backdrop, EveryPaintCoversTheWholeScreen) {
  PaintAndCapture(RECT{0, 0, width_, height_});
  SetupConfig.GradientTop = 0x00008000;
  SetupConfig.GradientBottom = 0x00800000;
  const Capture screen = PaintAndCapture(RECT{width_ - 1, height_ - 1, width_, height_});
  ExpectGradient(screen, 0x00008000, 0x00800000);
}

// The title in TitleColor at (22, 25) and its shadow 2 pixels right and 3
// down, black behind a light title and white behind a dark one.
TEST_F(Backdrop, TitleWithItsShadow) {
  struct TitleCase { Colour title; Colour shadow; };
  for (const TitleCase c : {TitleCase{Yellow, Black}, TitleCase{Blue, White}}) {
    SCOPED_TRACE(testing::Message() << std::hex << c.title);
    SetupConfig.TitleColor = c.title;
    const Capture screen = PaintAndCapture();
    const RECT area{0, 20, width_, 100};
    const RECT title = screen.Extent(c.title, area);
    const RECT shadow = screen.Extent(c.shadow, area);
    ASSERT_GE(title.right, title.left) << "no title pixels";
    ASSERT_GE(shadow.right, shadow.left) << "no shadow pixels";
    EXPECT_GE(title.top, 25);
    EXPECT_GE(title.left, 20);  // an italic glyph may lean a little left of its cell
    EXPECT_LE(title.bottom, 25 + 44);
    // The shadow is the same text moved; where it sticks out past the title
    // the move shows exactly.
    EXPECT_EQ(shadow.right, title.right + 2);
    EXPECT_EQ(shadow.bottom, title.bottom + 3);
    EXPECT_GE(shadow.top, 28);
  }
}

TEST_F(Backdrop, LogoCentredAboveTheBottom) {
  const Capture screen = PaintAndCapture();
  const int left = width_ / 2 - 102;
  const int top = height_ - 72;
  if (width_ == 640 && height_ == 480) {
    EXPECT_EQ(left, 218);
    EXPECT_EQ(top, 408);
  }
  // The logo's own pixels, as the system reads the bitmap.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = 204;
  info.bmiHeader.biHeight = -66;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<std::uint32_t> logo(204 * 66);
  HDC dc = GetDC(nullptr);
  ASSERT_EQ(GetDIBits(dc, SetupState.LogoBitmap, 0, 66, logo.data(), &info, DIB_RGB_COLORS), 66);
  ReleaseDC(nullptr, dc);
  int mismatches = 0;
  for (int y = 0; y < 66; ++y)
    for (int x = 0; x < 204; ++x)
      mismatches += screen.At(left + x, top + y) != Capture::FromDib(logo[y * 204 + x]);
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(screen.At(left, top), 0x00FFFFFF);  // the lit corner of the raised frame
  // Around it, the gradient.
  for (int y = top - 1; y < height_; ++y) {
    const Colour expected = GradientRowColour(Blue, Black, height_, y);
    EXPECT_EQ(screen.At(left - 1, y), expected) << "row " << y;
    EXPECT_EQ(screen.At(left + 204, y), expected) << "row " << y;
  }
  for (int y : {top - 1, top + 66, height_ - 1})
    EXPECT_EQ(screen.At(width_ / 2, y), GradientRowColour(Blue, Black, height_, y)) << "row " << y;
}

TEST_F(Backdrop, NoticeAtTheBottomRight) {
  const Capture screen = PaintAndCapture();
  const RECT notice = screen.Extent(Yellow, RECT{0, height_ - 40, width_, height_});
  ASSERT_GE(notice.right, notice.left) << "no notice pixels";
  EXPECT_GE(notice.left, width_ - 200);
  EXPECT_LE(notice.left, width_ - 190);
  EXPECT_GE(notice.top, height_ - 20);
  EXPECT_LT(notice.bottom, height_);
}

// A close posts WM_QUIT to the backdrop twice: once for the close, once for
// the destruction that the default processing brings. The system drops
// messages of a destroyed window from the queue, so the posts are counted
// as they are made.
namespace {

struct Post { HWND Window; UINT Message; WPARAM WParam; LPARAM LParam; };
std::vector<Post> Posts;

BOOL WINAPI RecordPost(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Posts.push_back({window, message, wParam, lParam});
  static const auto real = reinterpret_cast<decltype(&PostMessageA)>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "PostMessageA")));
  return real(window, message, wParam, lParam);
}

}  // namespace

TEST_F(Backdrop, ClosePostsTwoQuitMessages) {
  Posts.clear();
  {
    ImportPatch patch("user32.dll", "PostMessageA", reinterpret_cast<void*>(&RecordPost));
    ASSERT_TRUE(patch.Active());
    SendMessageA(window_, WM_CLOSE, 0, 0);
  }
  EXPECT_FALSE(IsWindow(window_));
  int quits = 0;
  for (const Post& post : Posts) {
    if (post.Message != WM_QUIT) continue;
    EXPECT_EQ(post.Window, window_);
    EXPECT_EQ(post.WParam, 0u);
    EXPECT_EQ(post.LParam, 0);
    ++quits;
  }
  EXPECT_EQ(quits, 2);
}
