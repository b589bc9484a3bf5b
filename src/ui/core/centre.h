// Where CenterOnScreen puts a window: half the screen less half the window,
// each halving a signed division that rounds toward zero.
#pragma once

#include <cstdint>

struct WindowOrigin {
  std::int32_t X;
  std::int32_t Y;
};

inline WindowOrigin CentredOrigin(std::int32_t screenWidth, std::int32_t screenHeight,
                                  std::int32_t windowWidth, std::int32_t windowHeight) {
  return {screenWidth / 2 - windowWidth / 2, screenHeight / 2 - windowHeight / 2};
}
