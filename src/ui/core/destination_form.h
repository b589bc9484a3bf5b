// The form a destination must have before the destination page tries it.
#pragma once

#include <string>

// True when the text is at least two characters long, starts with a letter
// "A" to "Z" (capitals only) and has a colon second. Nothing else is checked.
inline bool HasDriveForm(const std::string& text) {
  return text.size() >= 2 && text[0] >= 'A' && text[0] <= 'Z' && text[1] == ':';
}
