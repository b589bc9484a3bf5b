#include "pkgbuild/text_encoding.h"

#include <cstdint>
#include <cstdio>

#include "pkgbuild/build_error.h"

namespace {

// Code page 1252 bytes 0x80..0x9F; 0 marks the five unassigned ones.
constexpr char32_t HighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Decodes one UTF-8 sequence at text[i]; false when it is not well-formed.
bool DecodeUtf8(const std::string& text, std::size_t& i, char32_t& out) {
  const auto lead = static_cast<unsigned char>(text[i]);
  int extra;
  char32_t value;
  if (lead < 0x80) {
    out = lead;
    ++i;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    value = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    value = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    value = lead & 0x07;
  } else {
    return false;
  }
  if (i + static_cast<std::size_t>(extra) >= text.size()) return false;
  for (int k = 1; k <= extra; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return false;
    value = value << 6 | (next & 0x3F);
  }
  static constexpr char32_t smallest[4] = {0, 0x80, 0x800, 0x10000};
  if (value < smallest[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  out = value;
  i += static_cast<std::size_t>(extra) + 1;
  return true;
}

bool IsMultiByteUtf8(const std::string& text) {
  bool multiByte = false;
  for (std::size_t i = 0; i < text.size();) {
    char32_t c;
    if (!DecodeUtf8(text, i, c)) return false;
    if (c >= 0x80) multiByte = true;
  }
  return multiByte;
}

}  // namespace

std::string ToAnsi(const std::string& text, const std::string& where) {
  if (!IsMultiByteUtf8(text)) return text;
  std::string ansi;
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = 0;
    DecodeUtf8(text, i, c);
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      ansi += static_cast<char>(c);
      continue;
    }
    int byte = -1;
    for (int k = 0; k < 32; ++k) {
      if (HighControls[k] != 0 && HighControls[k] == c) byte = 0x80 + k;
    }
    if (byte < 0) {
      throw BuildError(where + ": the character U+" + [&] {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(c));
        return std::string(hex);
      }() + " has no Windows-1252 (ANSI) form");
    }
    ansi += static_cast<char>(byte);
  }
  return ansi;
}
