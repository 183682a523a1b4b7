// The close path: ports closed, the message log saved as configured.
#include <QAction>
#include <QPlainTextEdit>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>

#include "files/LogFile.h"
#include "protocol/Log.h"
#include "ui/LogOnClose.h"
#include "UiTestSupport.h"

namespace fs = std::filesystem;

namespace {

std::string FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> LogFolderFiles(const fs::path& dir) {
  std::vector<fs::path> out;
  if (fs::is_directory(dir / "Log"))
    for (const auto& entry : fs::directory_iterator(dir / "Log")) out.push_back(entry.path());
  return out;
}

// "操作成功！" in GB18030 (the same bytes as GB2312).
const std::string kSuccessGb = "\xB2\xD9\xD7\xF7\xB3\xC9\xB9\xA6\xA3\xA1";

}  // namespace

class CloseTest : public ScratchFolderTest {
 protected:
  // A shown window whose log holds exactly `count` lines, one of them Chinese.
  TQZProgrammer& WindowWithLog(int count) {
    TQZProgrammer& w = ShownWindow();
    w.InfoMemo->clear();
    for (int i = 0; i < count; ++i)
      w.AppendLogLine(i == 1 ? "操作成功！" : "line " + std::to_string(i));
    return w;
  }
};

TEST_F(CloseTest, AutomaticLogFileIsWrittenOnlyAboveSixLines) {
  struct Case {
    int lines;
    bool written;
  } cases[] = {{0, false}, {6, false}, {7, true}, {40, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    TearDown();
    SetUp();
    TQZProgrammer& w = WindowWithLog(c.lines);
    EXPECT_TRUE(w.close());
    EXPECT_EQ(LogFolderFiles(dir_).size(), c.written ? 1u : 0u);
  }
}

TEST_F(CloseTest, AutomaticLogFileNameBytesAndLineEnds) {
  TQZProgrammer& w = WindowWithLog(7);
  const std::string date = ShortDateText();
  ASSERT_TRUE(w.close());
  const auto files = LogFolderFiles(dir_);
  ASSERT_EQ(files.size(), 1u);
  const std::string name = files[0].filename().string();
  // "QZ_" + date + "_" + time, separators turned into "_".
  EXPECT_TRUE(std::regex_match(name, std::regex("QZ_[^/:-]+_[0-9]{2}_[0-9]{2}_[0-9]{2}\\.log")))
      << name;
  EXPECT_EQ(name.rfind(AutoLogFileName(date, "").substr(0, 3 + date.size()), 0), 0u) << name;
  EXPECT_EQ(FileBytes(files[0]), "line 0\r\n" + kSuccessGb +
                                     "\r\nline 2\r\nline 3\r\nline 4\r\nline 5\r\nline 6\r\n");
  EXPECT_TRUE(boxes.size() == 1u);  // only the start-up's firmware box
}

TEST_F(CloseTest, ExitButtonAndMenuCloseTheWindowThroughTheSameHandling) {
  TQZProgrammer& w = WindowWithLog(7);
  w.Exit1->trigger();
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(LogFolderFiles(dir_).size(), 1u);
}

TEST_F(CloseTest, UnwritableLogFolderIsReportedAndTheWindowStillCloses) {
  std::ofstream("Log") << "a file where the folder should be";
  TQZProgrammer& w = WindowWithLog(8);
  EXPECT_TRUE(w.close());
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1], "Write Log File error!");
}

TEST_F(CloseTest, LogDisabledWritesNothing) {
  TQZProgrammer& w = WindowWithLog(10);
  w.LogCfg.LogEnabled = false;
  EXPECT_TRUE(w.close());
  EXPECT_TRUE(LogFolderFiles(dir_).empty());
}

TEST_F(CloseTest, AppendModeStartsANewFileWithItsHeader) {
  TQZProgrammer& w = WindowWithLog(2);
  w.LogCfg.AutoLogName = false;
  w.LogCfg.LogWriteMode = LogConfig::Append;
  w.LogCfg.LogFileName = "mine.log";
  EXPECT_TRUE(w.close());
  EXPECT_EQ(FileBytes("mine.log"), "Tesmel Log File!\r\nline 0\r\n" + kSuccessGb + "\r\n");
}

TEST_F(CloseTest, AppendModeFailureClosesOnceWithoutABox) {
  TQZProgrammer& w = WindowWithLog(3);
  w.LogCfg.AutoLogName = false;
  w.LogCfg.LogWriteMode = LogConfig::Append;
  w.LogCfg.LogFileName = "no/such/folder/mine.log";
  EXPECT_TRUE(w.close());
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(boxes.size(), 1u);  // the start-up's firmware box only
}

TEST_F(CloseTest, EmptyOperatorFileNameWritesNothingAndCloses) {
  TQZProgrammer& w = WindowWithLog(9);
  w.LogCfg.AutoLogName = false;
  w.LogCfg.LogFileName.clear();
  EXPECT_TRUE(w.close());
  EXPECT_TRUE(LogFolderFiles(dir_).empty());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);  // Log only
}

TEST_F(CloseTest, OperatorFileThatCannotBeWrittenKeepsTheWindowOpen) {
  TQZProgrammer& w = WindowWithLog(3);
  w.LogCfg.AutoLogName = false;
  w.LogCfg.LogWriteMode = LogConfig::Overwrite;
  w.LogCfg.LogFileName = "no/such/folder/mine.log";
  EXPECT_FALSE(w.close());
  EXPECT_TRUE(w.isVisible());
  ASSERT_EQ(boxes.size(), 2u);
  // Once the name is mended the window closes.
  w.LogCfg.LogFileName = "mine.log";
  EXPECT_TRUE(w.close());
  EXPECT_TRUE(fs::exists("mine.log"));
}

// The decision table of the close handling, without a window.
class LogOnCloseTest : public ScratchFolderTest {};

TEST_F(LogOnCloseTest, OperatorNamedModes) {
  const std::vector<std::string> lines = {"a", "b"};
  struct Case {
    const char* what;
    uint8_t mode;
    const char* before;  // file content before, or nullptr for no file
    std::string after;
  } cases[] = {
      {"new file", LogConfig::NewFile, nullptr, "a\r\nb\r\n"},
      {"new file over an old one", LogConfig::NewFile, "old\r\n", "a\r\nb\r\n"},
      {"overwrite", LogConfig::Overwrite, "old\r\nolder\r\n", "a\r\nb\r\n"},
      {"append to a missing file", LogConfig::Append, nullptr, "Tesmel Log File!\r\na\r\nb\r\n"},
      {"append to an existing file", LogConfig::Append, "old\r\n", "old\r\na\r\nb\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove("op.log");
    if (c.before) std::ofstream("op.log", std::ios::binary) << c.before;
    LogConfig cfg;
    cfg.AutoLogName = false;
    cfg.LogWriteMode = c.mode;
    cfg.LogFileName = "op.log";
    const LogCloseResult r = SaveLogOnClose(cfg, dir_.string(), lines, "d", "t");
    EXPECT_FALSE(r.keepWindowOpen);
    EXPECT_TRUE(r.message.empty());
    EXPECT_EQ(FileBytes("op.log"), c.after);
  }
}

TEST_F(LogOnCloseTest, AnOperatorsFileThatCannotBeCreatedKeepsTheWindowOpenAndSaysWhy) {
  LogConfig cfg;
  cfg.AutoLogName = false;
  cfg.LogWriteMode = LogConfig::NewFile;
  cfg.LogFileName = "missing/op.log";
  const LogCloseResult r = SaveLogOnClose(cfg, dir_.string(), {"a"}, "d", "t");
  EXPECT_TRUE(r.keepWindowOpen);
  EXPECT_EQ(r.message, "Cannot create file \"missing/op.log\". " + std::string(std::strerror(ENOENT)));
  EXPECT_TRUE(r.writtenPath.empty());
}

TEST_F(LogOnCloseTest, AModeWithNoChoiceWritesNothing) {
  // The mode group's index when none of its buttons is chosen.
  LogConfig cfg;
  cfg.AutoLogName = false;
  cfg.LogWriteMode = static_cast<uint8_t>(-1);
  cfg.LogFileName = "op.log";
  const LogCloseResult r = SaveLogOnClose(cfg, dir_.string(), {"a"}, "d", "t");
  EXPECT_FALSE(r.keepWindowOpen);
  EXPECT_TRUE(r.message.empty());
  EXPECT_FALSE(fs::exists("op.log"));
}

TEST_F(LogOnCloseTest, AppendingAnEmptyLogLeavesOnlyTheHeader) {
  LogConfig cfg;
  cfg.AutoLogName = false;
  cfg.LogWriteMode = LogConfig::Append;
  cfg.LogFileName = "op.log";
  SaveLogOnClose(cfg, dir_.string(), {}, "d", "t");
  EXPECT_EQ(FileBytes("op.log"), "Tesmel Log File!\r\n");
}

TEST_F(LogOnCloseTest, AutomaticNameFromDateAndTime) {
  fs::create_directory("Log");
  const std::vector<std::string> lines(7, "x");
  LogConfig cfg;
  const LogCloseResult r = SaveLogOnClose(cfg, dir_.string(), lines, "2016-05-03", "10:23:45 AM");
  EXPECT_EQ(fs::path(r.writtenPath), dir_ / "Log" / "QZ_2016_05_03_10_23_45 AM.log");
  EXPECT_TRUE(fs::exists(r.writtenPath));
}

TEST_F(LogOnCloseTest, DefaultsAreTheLogDialogsInitialState) {
  LogConfig cfg;
  EXPECT_TRUE(cfg.LogEnabled);
  EXPECT_TRUE(cfg.AutoLogName);
  EXPECT_EQ(cfg.LogWriteMode, LogConfig::NewFile);
  EXPECT_EQ(cfg.GetLogFileName(), "QZ_2016xx.log");
}
