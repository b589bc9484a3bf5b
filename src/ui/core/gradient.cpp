#include "ui/core/gradient.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

Channels ChannelsOf(Colour colour) {
  return {static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
          static_cast<int>((colour >> 16) & 0xFF)};
}

Colour ColourOf(const Channels& c) {
  return static_cast<Colour>(c.Red) | static_cast<Colour>(c.Green) << 8 | static_cast<Colour>(c.Blue) << 16;
}

int GradientSteps(Colour top, Colour bottom) {
  const Channels a = ChannelsOf(top);
  const Channels b = ChannelsOf(bottom);
  return std::max({std::abs(a.Red - b.Red), std::abs(a.Green - b.Green), std::abs(a.Blue - b.Blue)});
}

int GradientBand(int height, int steps) { return height / steps; }

namespace {

// One unit toward the target, kept within a byte.
int StepToward(int value, int target) {
  if (value < target) ++value;
  else if (value > target) --value;
  return std::clamp(value, 0, 255);
}

// `steps` units toward the target, stopping there.
int MoveToward(int value, int target, int steps) {
  const int distance = std::abs(target - value);
  const int moved = std::min(steps, distance);
  return value < target ? value + moved : value - moved;
}

}  // namespace

Colour GradientRowColour(Colour top, Colour bottom, int height, int y) {
  const int steps = GradientSteps(top, bottom);
  if (steps == 0) return top;
  const int band = GradientBand(height, steps);
  const int taken = band == 0 ? y : y / band;
  const Channels a = ChannelsOf(top);
  const Channels b = ChannelsOf(bottom);
  return ColourOf({MoveToward(a.Red, b.Red, taken), MoveToward(a.Green, b.Green, taken),
                   MoveToward(a.Blue, b.Blue, taken)});
}

GradientWalk::GradientWalk(Colour top, Colour bottom, int height)
    : current_(ChannelsOf(top)), target_(ChannelsOf(bottom)) {
  const int steps = GradientSteps(top, bottom);
  band_ = steps == 0 ? height : GradientBand(height, steps);
}

void GradientWalk::NextRow() {
  if (++rowsInBand_ < band_) return;
  rowsInBand_ = 0;
  current_.Red = StepToward(current_.Red, target_.Red);
  current_.Green = StepToward(current_.Green, target_.Green);
  current_.Blue = StepToward(current_.Blue, target_.Blue);
}

int RoundedLuminance(Colour colour) {
  const Channels c = ChannelsOf(colour);
  // Each product and sum is stored as a double, so a 32-bit x87 build rounds
  // exactly as an SSE one does instead of carrying extra precision along.
  volatile double red = 0.3 * c.Red;
  volatile double green = 0.59 * c.Green;
  volatile double blue = 0.11 * c.Blue;
  volatile double redGreen = red + green;
  volatile double sum = redGreen + blue;
  const double y = sum;
  // Halves go to the even neighbour, by hand, so the result never depends
  // on the floating-point rounding mode.
  const double lower = std::floor(y);
  const double fraction = y - lower;
  const int whole = static_cast<int>(lower);
  if (fraction > 0.5) return whole + 1;
  if (fraction < 0.5) return whole;
  return whole % 2 == 0 ? whole : whole + 1;
}

Colour ShadowColour(Colour title) { return RoundedLuminance(title) >= 128 ? 0x00000000 : 0x00FFFFFF; }
