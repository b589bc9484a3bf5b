#include "setup/core/names.h"

#include <gtest/gtest.h>

struct JoinCase { const char* dir; const char* name; const char* joined; };

TEST(JoinPath, Table) {
  const JoinCase cases[] = {
      {"", "Gantrell.Exe", "Gantrell.Exe"},
      {"A:\\", "Gantrell.001", "A:\\Gantrell.001"},
      {"C:\\Program Files\\Ferrovale", "Gantrell.Exe", "C:\\Program Files\\Ferrovale\\Gantrell.Exe"},
      {"C:", "Gantrell.Exe", "C:\\Gantrell.Exe"},
      {"C:\\dir", "\\lead", "C:\\dir\\\\lead"},   // the name is not examined
      {"C:\\dir\\", "", "C:\\dir\\"},
      {"x", "y", "x\\y"},
  };
  for (const auto& c : cases) EXPECT_EQ(JoinPath(c.dir, c.name), c.joined) << c.dir << " + " << c.name;
}

struct NameCase { const char* name; const char* ext; const char* replaced; };

TEST(NameOperations, ExtensionAndReplacement) {
  const NameCase cases[] = {
      {"Gantrell.Exe", ".Exe", "Gantrell.$$$"},
      {"Gantrell.001", ".001", "Gantrell.$$$"},
      {"NoExtension", "", "NoExtension.$$$"},
      {"a.b.c", ".c", "a.b.$$$"},
      {"dir.d\\file", "", "dir.d\\file.$$$"},   // the dot before the backslash does not count
      {"C:.x", ".x", "C:.$$$"},
      {"C.d:file", "", "C.d:file.$$$"},         // nor one before a colon
      {"trailing.", ".", "trailing.$$$"},
      {".hidden", ".hidden", ".$$$"},
      {"", "", ".$$$"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtensionOf(c.name), c.ext) << c.name;
    EXPECT_EQ(ReplaceExtension(c.name, ".$$$"), c.replaced) << c.name;
  }
  EXPECT_EQ(ReplaceExtension("Gantrell.001", ".002"), "Gantrell.002");
}

TEST(NameOperations, UpperCaseTouchesOnlyAsciiLetters) {
  EXPECT_EQ(UpperCaseAscii("Foo.lib"), "FOO.LIB");
  EXPECT_EQ(UpperCaseAscii("\xe9t\xe9.Dtp"), "\xe9T\xe9.DTP");  // 8-bit letters stay
  EXPECT_EQ(UpperCaseAscii("09_{}@[`"), "09_{}@[`");
}

TEST(NameOperations, DirectoryPart) {
  EXPECT_EQ(DirectoryPart("A:\\SETUP.EXE"), "A:\\");
  EXPECT_EQ(DirectoryPart("C:\\x\\y\\SETUP.EXE"), "C:\\x\\y\\");
  EXPECT_EQ(DirectoryPart("C:SETUP.EXE"), "C:");
  EXPECT_EQ(DirectoryPart("SETUP.EXE"), "");
}
