#include "ui/meter.h"

#include <cstdio>
#include <cstring>

#include "setup/core/config.h"
#include "setup/handles.h"
#include "ui/core/meter_math.h"
#include "ui/page_helpers.h"

std::int32_t Percent = 0;
std::int32_t DrawnPercent = 0;

namespace {

constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Black = RGB(0, 0, 0);

// The meter of the page that is open (the pages run one after another).
struct ProgressMeter {
  HDC MeterDC = nullptr;
  bool HasFrame = false;  // a page without control 101 gets no bar
  MeterGeometry Bar{};
  GdiPen RedPen, WhitePen;
  GdiBrush RedBrush, WhiteBrush;
  GdiFont MeterFont;
  HGDIOBJ SavedPen = nullptr, SavedBrush = nullptr, SavedFont = nullptr;
};

ProgressMeter Meter;

MeterRect WindowRectOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return {r.left, r.top, r.right, r.bottom};
}

}  // namespace

void InitMeter(HWND page) {
  Meter.MeterDC = GetDC(page);
  HWND frame = GetDlgItem(page, MeterFrameId);
  Meter.HasFrame = frame != nullptr;
  const MeterRect pageRect = WindowRectOf(page);
  if (Meter.HasFrame)
    Meter.Bar = MeterLayout(WindowRectOf(frame), pageRect, GetSystemMetrics(SM_CXBORDER),
                            GetSystemMetrics(SM_CYCAPTION), GetSystemMetrics(SM_CYBORDER));

  Meter.RedPen.reset(CreatePen(PS_SOLID, 1, Red));
  Meter.WhitePen.reset(CreatePen(PS_SOLID, 1, White));
  Meter.SavedPen = SelectObject(Meter.MeterDC, Meter.RedPen.get());
  Meter.RedBrush.reset(CreateSolidBrush(Red));
  Meter.WhiteBrush.reset(CreateSolidBrush(White));
  Meter.SavedBrush = SelectObject(Meter.MeterDC, Meter.RedBrush.get());

  CenterOnScreen(page);  // the bar is relative to the page, so it stays valid
  KeepGoing = 1;

  SetBkMode(Meter.MeterDC, TRANSPARENT);
  Meter.MeterFont.reset(CreateFontA(16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"));
  Meter.SavedFont = SelectObject(Meter.MeterDC, Meter.MeterFont.get());
  SetTextColor(Meter.MeterDC, Black);
}

void DrawMeter(std::int32_t done, std::int32_t total, bool upTo100) {
  if (total == 0) return;
  const std::int32_t fillRight = Meter.Bar.Left + MeterFillWidth(done, total, Meter.Bar.Width);
  Percent = MeterPercent(done, total);
  if (Percent == DrawnPercent || (upTo100 && Percent > 100)) return;
  if (!Meter.MeterDC || !Meter.HasFrame) return;

  HDC dc = Meter.MeterDC;
  SelectObject(dc, Meter.RedBrush.get());
  SelectObject(dc, Meter.RedPen.get());
  Rectangle(dc, Meter.Bar.Left, Meter.Bar.Top, fillRight, Meter.Bar.Bottom);
  DrawnPercent = Percent;
  SelectObject(dc, Meter.WhiteBrush.get());
  SelectObject(dc, Meter.WhitePen.get());
  Rectangle(dc, fillRight, Meter.Bar.Top, Meter.Bar.Right, Meter.Bar.Bottom);

  char text[16];
  std::snprintf(text, sizeof text, "%ld%%", static_cast<long>(Percent));
  TextOutA(dc, Meter.Bar.TextX, Meter.Bar.TextY, text, static_cast<int>(std::strlen(text)));
}

void DoneMeter(HWND page) {
  if (!Meter.MeterDC) return;
  SelectObject(Meter.MeterDC, Meter.SavedFont);
  Meter.MeterFont.reset();
  SelectObject(Meter.MeterDC, Meter.SavedPen);
  SelectObject(Meter.MeterDC, Meter.SavedBrush);
  Meter.RedPen.reset();
  Meter.WhitePen.reset();
  Meter.RedBrush.reset();
  Meter.WhiteBrush.reset();
  ReleaseDC(page, Meter.MeterDC);
  Meter.MeterDC = nullptr;
  Meter.HasFrame = false;
}
