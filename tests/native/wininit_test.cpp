#include "setup/core/wininit.h"

#include <gtest/gtest.h>

TEST(WinInitText, FreshFileHoldsTheSectionAndThisRunsLines) {
  WinInitText text;
  text.EnsureRenameSection();
  EXPECT_EQ(text.Text(), "[Rename]\r\n");
  text.AppendRename("C:\\A\\GANTRELL.EXE=C:\\A\\GANTRELL.$$$");
  text.AppendRename("C:\\A\\F.DLL=C:\\A\\F.$$$");
  EXPECT_EQ(text.Text(),
            "[Rename]\r\nC:\\A\\GANTRELL.EXE=C:\\A\\GANTRELL.$$$\r\nC:\\A\\F.DLL=C:\\A\\F.$$$\r\n");
}

TEST(WinInitText, KeepsForeignLinesAndSections) {
  WinInitText text("[Other]\nkey=1\n\n[rename]\nX=Y\n\n[Last]\nz=2");
  text.EnsureRenameSection();  // "[rename]" counts, case ignored
  text.AppendRename("A=B");
  EXPECT_EQ(text.Text(), "[Other]\r\nkey=1\r\n\r\n[rename]\r\nX=Y\r\nA=B\r\n\r\n[Last]\r\nz=2\r\n");
}

TEST(WinInitText, AddsTheSectionWhenMissing) {
  WinInitText text("[Other]\r\nkey=1\r\n");
  text.AppendRename("A=B");
  EXPECT_EQ(text.Text(), "[Other]\r\nkey=1\r\n[Rename]\r\nA=B\r\n");
}

TEST(WinInitText, WithdrawRemovesOnlyTheGivenLine) {
  WinInitText text("[Rename]\r\nNUL=C:\\OLD.TMP\r\nA=B\r\n");
  text.AppendRename("A=B");
  EXPECT_TRUE(text.Withdraw("A=B"));
  EXPECT_EQ(text.Text(), "[Rename]\r\nNUL=C:\\OLD.TMP\r\nA=B\r\n");  // the foreign A=B stays
  EXPECT_FALSE(text.Withdraw("C=D"));
}

TEST(WinInitText, VeryLongLinesSurvive) {
  const std::string long_line(100000, 'x');
  WinInitText text("[Rename]\r\n" + long_line + "\r\n");
  text.AppendRename("A=B");
  EXPECT_EQ(text.Text(), "[Rename]\r\n" + long_line + "\r\nA=B\r\n");
}
