#include "setup/core/errors.h"

#include <gtest/gtest.h>

TEST(FatalReport, IoMessages) {
  const std::pair<int, const char*> cases[] = {
      {2, "File not found"},          {3, "Invalid filename"},
      {4, "Too many open files"},     {5, "File access denied"},
      {100, "Read beyond end of file"}, {101, "Disk full"},
      {106, "Invalid numeric input"}, {32, "I/O error 32"},
      {0, "I/O error 0"},             {112, "I/O error 112"},
  };
  for (const auto& [code, text] : cases) {
    EXPECT_EQ(IoErrorMessage(code), text);
    EXPECT_STREQ(EInOutError(code).what(), text);
    EXPECT_EQ(EInOutError(code).Code(), code);
  }
}

TEST(FatalReport, TextLayout) {
  const void* at = reinterpret_cast<const void*>(0x0040A1B2);
  EXPECT_EQ(FatalReportText("EInOutError", "SETUP.EXE", at, "File not found"),
            "Exception EInOutError in module SETUP.EXE at 0040A1B2.\nFile not found.");
  // A message that already ends with a full stop gets no second one.
  EXPECT_EQ(FatalReportText("ElzhException", "SETUP.EXE", at, "Done."),
            "Exception ElzhException in module SETUP.EXE at 0040A1B2.\nDone.");
  EXPECT_EQ(FatalReportText("ERegistryException", "S.EXE", nullptr, "Invalid data type for 'programs'"),
            "Exception ERegistryException in module S.EXE at 00000000.\nInvalid data type for 'programs'.");
}
