#include "ui/core/meter_math.h"

#include <cstdint>
#include <limits>

namespace {

// An unsigned 128-bit integer, enough to hold a 64-bit significand times a
// 32-bit factor, or a 64-bit quotient with its rounding bits.
struct Wide {
  std::uint64_t Hi = 0, Lo = 0;
};

bool IsZero(const Wide& x) { return x.Hi == 0 && x.Lo == 0; }

int TopBit(std::uint64_t v) {
  int t = -1;
  while (v != 0) {
    v >>= 1;
    ++t;
  }
  return t;
}

int TopBit(const Wide& x) { return x.Hi != 0 ? 64 + TopBit(x.Hi) : TopBit(x.Lo); }

bool BitAt(const Wide& x, int n) { return n >= 64 ? ((x.Hi >> (n - 64)) & 1) != 0 : ((x.Lo >> n) & 1) != 0; }

// True when any of the bits below position n (1..127) is set.
bool AnyBelow(const Wide& x, int n) {
  if (n < 64) return (x.Lo & ((1ull << n) - 1)) != 0;
  if (n == 64) return x.Lo != 0;
  return x.Lo != 0 || (x.Hi & ((1ull << (n - 64)) - 1)) != 0;
}

// x >> n for n in 0..127, where the result is known to fit in 64 bits.
std::uint64_t ShiftDown(const Wide& x, int n) {
  if (n == 0) return x.Lo;
  if (n >= 64) return x.Hi >> (n - 64);
  return (x.Lo >> n) | (x.Hi << (64 - n));
}

// value = Significand * 2^Exponent, with bit 63 of Significand set (or zero).
// The sign is handled by the callers: every rounding used here is symmetric.
struct Real {
  std::uint64_t Significand = 0;
  int Exponent = 0;
};

enum class Ties { ToEven, AwayFromZero };

// Rounds x * 2^exponent to a real of `bits` significant bits (1..64).
Real RoundToBits(const Wide& x, int exponent, int bits, Ties ties) {
  Real r;
  if (IsZero(x)) return r;
  const int top = TopBit(x);
  int drop = top + 1 - bits;
  if (drop <= 0) {  // exact: fits as it stands (top is at most 63 here)
    r.Significand = x.Lo << (63 - top);
    r.Exponent = exponent - (63 - top);
    return r;
  }
  std::uint64_t kept = ShiftDown(x, drop);
  const bool half = BitAt(x, drop - 1);
  const bool sticky = AnyBelow(x, drop - 1);
  if (half && (ties == Ties::AwayFromZero || sticky || (kept & 1) != 0)) {
    if (bits == 64 && kept == std::numeric_limits<std::uint64_t>::max()) {
      kept = 1ull << 63;
      ++drop;
    } else {
      ++kept;
      if (bits < 64 && kept == (1ull << bits)) {
        kept >>= 1;
        ++drop;
      }
    }
  }
  r.Significand = kept << (64 - bits);
  r.Exponent = exponent + drop - (64 - bits);
  return r;
}

Real RoundToBits(const Real& v, int bits, Ties ties) { return RoundToBits(Wide{0, v.Significand}, v.Exponent, bits, ties); }

// a / b (b not 0) rounded to 64 significant bits, ties to even, as the
// extended-precision divide does.
Real Divide(std::uint32_t a, std::uint32_t b) {
  if (a == 0) return Real{};
  std::uint64_t rest = a, divisor = b;
  int exponent = 0;  // a / b = (rest / divisor) * 2^exponent
  while (rest >= 2 * divisor) {
    divisor <<= 1;
    ++exponent;
  }
  while (rest < divisor) {
    rest <<= 1;
    --exponent;
  }
  // Long division: 64 quotient bits, one guard bit, then whatever remains
  // as the sticky bit.
  Wide q;
  for (int i = 0; i < 65; ++i) {
    const bool bit = rest >= divisor;
    if (bit) rest -= divisor;
    rest <<= 1;
    q.Hi = (q.Hi << 1) | (q.Lo >> 63);
    q.Lo = (q.Lo << 1) | (bit ? 1 : 0);
  }
  // q now holds 65 bits; move them to the top and put the sticky bit below.
  q.Hi = (q.Hi << 62) | (q.Lo >> 2);
  q.Lo = (q.Lo << 62) | (rest != 0 ? 1 : 0);
  return RoundToBits(q, exponent - 64 - 62, 64, Ties::ToEven);
}

// v * factor, exact (at most 96 bits).
Wide Multiply(const Real& v, std::uint32_t factor) {
  const std::uint64_t high = (v.Significand >> 32) * factor;
  const std::uint64_t low = (v.Significand & 0xFFFFFFFFull) * factor;
  Wide w;
  w.Lo = low + (high << 32);
  w.Hi = (high >> 32) + (w.Lo < low ? 1 : 0);
  return w;
}

// Rounds to the nearest integer, ties to even; saturates far out of range.
std::int64_t RoundToInteger(const Real& v) {
  if (v.Significand == 0 || v.Exponent <= -65) return 0;
  if (v.Exponent >= 0) return std::numeric_limits<std::int64_t>::max();
  const int s = -v.Exponent;  // 1..64 fraction bits
  std::uint64_t whole = s == 64 ? 0 : v.Significand >> s;
  const bool half = ((v.Significand >> (s - 1)) & 1) != 0;
  const bool sticky = s >= 2 && (v.Significand & ((1ull << (s - 1)) - 1)) != 0;
  if (half && (sticky || (whole & 1) != 0)) ++whole;
  if (whole > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
    return std::numeric_limits<std::int64_t>::max();
  return static_cast<std::int64_t>(whole);
}

std::uint32_t Magnitude(std::int32_t v) {
  return v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
}

std::int32_t Signed(std::int64_t magnitude, bool negative) {
  constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();
  if (magnitude > limit) magnitude = limit;
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace

MeterGeometry MeterLayout(const MeterRect& frame, const MeterRect& page, std::int32_t cxBorder,
                          std::int32_t cyCaption, std::int32_t cyBorder) {
  MeterGeometry g;
  g.Left = frame.Left - page.Left - cxBorder;
  g.Top = frame.Top - page.Top - cyCaption - cyBorder;
  g.Right = frame.Right - page.Left - cxBorder - 4;
  g.Bottom = frame.Bottom - page.Top - cyCaption - cyBorder - 4;
  // C++ division by 2 truncates toward zero, as the layout requires.
  g.TextX = g.Left + (g.Right - g.Left) / 2 - 10;
  g.TextY = g.Top + (g.Bottom - g.Top) / 2 - 8;
  g.Width = g.Right - g.Left + 1;
  return g;
}

std::int32_t MeterPercent(std::int32_t done, std::int32_t total) {
  const Real quotient = Divide(Magnitude(done), Magnitude(total));
  const Real percent = RoundToBits(Multiply(quotient, 100), quotient.Exponent, 64, Ties::ToEven);
  return Signed(RoundToInteger(percent), (done < 0) != (total < 0));
}

std::int32_t MeterFillWidth(std::int32_t done, std::int32_t total, std::int32_t width) {
  const Real quotient = RoundToBits(Divide(Magnitude(done), Magnitude(total)), 40, Ties::AwayFromZero);
  const Real product = RoundToBits(Multiply(quotient, Magnitude(width)), quotient.Exponent, 64, Ties::ToEven);
  const Real stored = RoundToBits(product, 40, Ties::AwayFromZero);
  return Signed(RoundToInteger(stored), ((done < 0) != (total < 0)) != (width < 0));
}
