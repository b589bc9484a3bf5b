// The setup's texts are 8-bit Windows ANSI (code page 1252). Package
// definitions may be written in that code page or in UTF-8.
#pragma once

#include <string>

// Text that is valid UTF-8 with at least one non-ASCII character is converted
// to code page 1252; anything else is taken as it stands. Throws BuildError
// (naming `where`) for a UTF-8 character that code page 1252 cannot hold.
std::string ToAnsi(const std::string& text, const std::string& where);
