// Log file naming and writing at the file edge.
#include <gtest/gtest.h>

#include <cerrno>

#include "files/LogFile.h"

TEST(LogFile, AutomaticNameReplacesSeparatorsButKeepsBlanks) {
  struct Case {
    const char* date;
    const char* time;
    const char* name;
  } cases[] = {
      {"2016-05-03", "10:23:45", "QZ_2016_05_03_10_23_45.log"},
      {"2016-05-03", "10:23:45 AM", "QZ_2016_05_03_10_23_45 AM.log"},
      {"12/10/26", "08:26:14", "QZ_12_10_26_08_26_14.log"},
      {"03.05.2016", "10:23:45", "QZ_03.05.2016_10_23_45.log"},
  };
  for (const Case& c : cases) EXPECT_EQ(AutoLogFileName(c.date, c.time), c.name);
}

// A failed write leaves errno telling why, for the caller's message.
TEST(LogFile, FailureLeavesTheReasonInErrno) {
  errno = 0;
  EXPECT_FALSE(WriteLogLines("/nonexistent-folder/x.log", {"a"}, LogWriteMode::Replace));
  EXPECT_EQ(errno, ENOENT);
  errno = 0;
  EXPECT_FALSE(WriteLogLines("/nonexistent-folder/x.log", {"a"}, LogWriteMode::Append, "h"));
  EXPECT_EQ(errno, ENOENT);
  // Opens, but the write fails; the close that follows must not hide why.
  errno = 0;
  EXPECT_FALSE(WriteLogLines("/dev/full", {"a"}, LogWriteMode::Append));
  EXPECT_EQ(errno, ENOSPC);
}
