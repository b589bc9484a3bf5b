#include "ui/backdrop.h"

#include "setup/handles.h"
#include "setup/state.h"
#include "ui/core/gradient.h"

LRESULT BackdropWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
    case WM_DESTROY:
      // A close posts twice: once here and once for the destruction that
      // the default processing of WM_CLOSE brings.
      PostMessageA(SetupState.BackdropWindow, WM_QUIT, 0, 0);
      break;
    case WM_PAINT:
      PaintBackdrop();
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

namespace {

HFONT CreateBoldFont(int height, bool italic, const char* face) {
  return CreateFontA(height, 0, 0, 0, 900, italic, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

void FillWith(HDC dc, const RECT& area, Colour colour) {
  GdiBrush brush(CreateSolidBrush(colour));
  FillRect(dc, &area, brush.get());
}

// The vertical gradient from GradientTop toward GradientBottom, one row and
// one brush at a time.
void PaintGradient(HDC dc, int width, int height) {
  const Colour top = SetupConfig.GradientTop;
  const Colour bottom = SetupConfig.GradientBottom;
  if (GradientSteps(top, bottom) == 0) {
    FillWith(dc, RECT{0, 0, width, height}, top);
    return;
  }
  GradientWalk walk(top, bottom, height);
  for (int y = 0; y < height; ++y, walk.NextRow()) FillWith(dc, RECT{0, y, width, y + 1}, walk.Current());
}

void WriteText(HDC dc, int x, int y, const std::string& text) {
  TextOutA(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

void PaintTitle(HDC dc) {
  GdiFont font(CreateBoldFont(44, true, "Times New Roman"));
  SelectedObject selected(dc, font.get());
  SetTextColor(dc, ShadowColour(SetupConfig.TitleColor));
  WriteText(dc, 24, 28, SetupConfig.BackdropTitle);
  SetTextColor(dc, SetupConfig.TitleColor);
  WriteText(dc, 22, 25, SetupConfig.BackdropTitle);
}

// The logo, 204 x 66 pixels, centred across and 6 rows above the bottom.
void PaintLogo(HDC dc, int width, int height) {
  MemoryDc memory(CreateCompatibleDC(dc));
  SelectedObject selected(memory.get(), SetupState.LogoBitmap);
  BitBlt(dc, width / 2 - 102, height - 72, 204, 66, memory.get(), 0, 0, SRCCOPY);
}

// The notice at the bottom right, still in the title's colour.
void PaintNotice(HDC dc, int width, int height) {
  GdiFont font(CreateBoldFont(12, false, "Small"));
  SelectedObject selected(dc, font.get());
  WriteText(dc, width - 200, height - 20, SetupConfig.NoticeText);
}

}  // namespace

// Repaints the whole screen through the window's own device context, not
// clipped to the update region; the default WM_PAINT processing that follows
// validates the region.
void PaintBackdrop() {
  const int width = SetupState.ScreenWidth;
  const int height = SetupState.ScreenHeight;
  WindowDc window(SetupState.BackdropWindow);
  HDC dc = window.get();
  PaintGradient(dc, width, height);
  SetBkMode(dc, TRANSPARENT);
  PaintTitle(dc);
  PaintLogo(dc, width, height);
  PaintNotice(dc, width, height);
}
