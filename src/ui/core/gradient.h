// The colour arithmetic of the backdrop: the stepped vertical gradient and
// the colour of the title's drop shadow. Portable, so the same rules serve
// the painting and the tests.
#pragma once

#include <cstdint>

#include "setup/core/config.h"

struct Channels {
  int Red;
  int Green;
  int Blue;
};

Channels ChannelsOf(Colour colour);
Colour ColourOf(const Channels& channels);

// The number of one-unit steps from top to bottom: the largest distance of
// any channel, 0 to 255.
int GradientSteps(Colour top, Colour bottom);

// How many rows share one colour before the next step: the height divided by
// the steps, remainder dropped (0 when there are more steps than rows).
// Only meaningful for steps > 0.
int GradientBand(int height, int steps);

// The colour of row y of a gradient `height` rows tall, in closed form: the
// row has taken y / band steps (y steps when band is 0) and each channel has
// moved the smaller of that and its own distance toward the bottom colour.
Colour GradientRowColour(Colour top, Colour bottom, int height, int y);

// The row-by-row walk that the painting does: Current() is the colour of the
// row about to be drawn; NextRow() moves past it, taking a step each time a
// band's worth of rows has been drawn.
class GradientWalk {
 public:
  GradientWalk(Colour top, Colour bottom, int height);
  Colour Current() const { return ColourOf(current_); }
  void NextRow();

 private:
  Channels current_;
  Channels target_;
  int band_;
  int rowsInBand_ = 0;
};

// The luminance 0.3 R + 0.59 G + 0.11 B, rounded to the nearest integer with
// halves going to the even neighbour.
int RoundedLuminance(Colour colour);

// Black behind a light title (rounded luminance 128 or more), white behind a
// dark one.
Colour ShadowColour(Colour title);
