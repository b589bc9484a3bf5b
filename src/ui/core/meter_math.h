// The arithmetic of the progress meter: where the bar and its text lie in the
// page, how far the red part reaches, and the percentage it shows.
//
// The figures reproduce a classic floating-point pipeline exactly, in
// integer arithmetic, so that every platform gives the same pixels:
//   - the percentage is done / total * 100, quotient and product each rounded
//     to an 80-bit extended real (64-bit significand, nearest, ties to even),
//     then rounded to an integer with ties to even;
//   - the bar's end is done / total, then that quotient times the bar width,
//     each of the two results stored into a 6-byte real (40 significant bits,
//     ties away from zero) after being formed at 64 bits, then rounded to an
//     integer with ties to even.
#pragma once

#include <cstdint>

struct MeterRect {
  std::int32_t Left, Top, Right, Bottom;
};

// The meter's layout in the page's client coordinates.
struct MeterGeometry {
  std::int32_t Left, Top, Right, Bottom;
  std::int32_t Width;         // Right - Left + 1: what 100 per cent fills
  std::int32_t TextX, TextY;  // top-left of the percentage text
};

// frame = window rectangle of the frame control, page = window rectangle of
// the page, both in screen coordinates; the three system metrics
// SM_CXBORDER, SM_CYCAPTION and SM_CYBORDER.
MeterGeometry MeterLayout(const MeterRect& frame, const MeterRect& page, std::int32_t cxBorder,
                          std::int32_t cyCaption, std::int32_t cyBorder);

// Round(done / total * 100) as the meter computes it. total must not be 0.
std::int32_t MeterPercent(std::int32_t done, std::int32_t total);

// Round(done / total * width), the red part's width (FillRight - Left), as the
// meter computes it through 40-bit reals. total must not be 0.
std::int32_t MeterFillWidth(std::int32_t done, std::int32_t total, std::int32_t width);
