// Path and file-name rules shared by every part of the setup.
#pragma once

#include <string>

// Joins a directory and a name: an empty directory gives the name unchanged,
// a directory ending in a backslash gets the name appended, any other
// directory (a bare drive "C:" included) gets a backslash and the name.
// Nothing is normalised.
std::string JoinPath(const std::string& dir, const std::string& name);

// The part of a name from the last "." that stands after the last "\" or ":",
// dot included; empty when there is no such dot.
std::string ExtensionOf(const std::string& name);

// Cuts the extension (if any) off and appends the new one.
std::string ReplaceExtension(const std::string& name, const std::string& ext);

// Upper-cases the letters a to z only.
std::string UpperCaseAscii(std::string text);

// Everything up to and including the last "\" or ":"; empty when there is none.
std::string DirectoryPart(const std::string& path);
