// The progress meter of the two work pages: a red and white bar with the
// percentage over it, painted straight into the page's client area inside
// the frame control 101.
//
// InitMeter when the page opens (it also centres the page and sets
// KeepGoing to 1), DrawMeter after each block of work, DoneMeter just before
// the page ends its dialog. The device context, pens, brushes and font live
// from InitMeter to DoneMeter.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr int MeterFrameId = 101;

// The percentage of the last update, and the one the meter painted last
// (-1: none). Both outlive a page: the expand page starts with the
// DrawnPercent the copy page left.
extern std::int32_t Percent;
extern std::int32_t DrawnPercent;

void InitMeter(HWND page);
// done of total (total 0 draws and computes nothing); with upTo100 set a
// percentage above 100 is not painted.
void DrawMeter(std::int32_t done, std::int32_t total, bool upTo100);
void DoneMeter(HWND page);
