// The window's message log on the disk while the program runs: its journal
// in the Log folder, and a journal left behind saved as a log file at start.
#include <QAction>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <iterator>
#include <thread>

#include "files/LogFile.h"
#include "protocol/Log.h"
#include "ui/LogCfgForm.h"
#include "UiTestSupport.h"

namespace fs = std::filesystem;

namespace {

std::string FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The bytes a log file of these lines holds.
std::string LogBytes(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += LogFileLine(line);
  return out;
}

}  // namespace

class LogJournalWindowTest : public ScratchFolderTest {
 protected:
  std::vector<fs::path> LogFolder(const std::string& ending) const {
    std::vector<fs::path> out;
    if (fs::is_directory(dir_ / "Log"))
      for (const auto& e : fs::directory_iterator(dir_ / "Log"))
        if (e.path().filename().string().ends_with(ending)) out.push_back(e.path());
    return out;
  }
  // The one journal of the Log folder once it holds the window's whole log,
  // polled for at most a second; empty when there is none by then.
  fs::path JournalHoldingTheLog(TQZProgrammer& w) {
    const std::string expected = LogBytes(w.LogLines());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    for (;;) {
      const auto journals = LogFolder(".jnl");
      if (journals.size() == 1 && FileBytes(journals[0]) == expected) return journals[0];
      if (std::chrono::steady_clock::now() > deadline) return {};
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
};

TEST_F(LogJournalWindowTest, EveryLoggedLineIsOnTheDiskBeforeTheWindowCloses) {
  TQZProgrammer& w = ShownWindow();
  // Lines as the engine writes them, a Chinese one, and text the log shows
  // on lines of their own.
  for (int i = 0; i < 30; ++i) AddInfoLine(Js(), "Chip " + std::to_string(i) + " done");
  LogSlotMessage(Js(), "操作成功！", 2);
  w.AppendLogLine("two\nlines");
  w.AppendLogLine("");
  const fs::path journal = JournalHoldingTheLog(w);
  ASSERT_FALSE(journal.empty());
  const std::string before = FileBytes(journal);

  // The close writes the log file as ever, with the journal's very bytes,
  // and the journal goes.
  ASSERT_TRUE(w.close());
  const auto logs = LogFolder(".log");
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(FileBytes(logs[0]), before);
  EXPECT_TRUE(LogFolder(".jnl").empty());
}

TEST_F(LogJournalWindowTest, AJournalLeftBehindBecomesALogFileNamedAsTheAutomaticLog) {
  fs::create_directory(dir_ / "Log");
  const fs::path left = dir_ / "Log" / "Journal_77777.jnl";
  const std::string bytes = LogBytes({"> 09:00:00 Hello", "> 09:00:01 C1: 操作成功！"});
  std::ofstream(left, std::ios::binary) << bytes;
  struct stat st {};
  ASSERT_EQ(stat(left.c_str(), &st), 0);
  const std::string name = AutoLogFileName(ShortDateText(st.st_mtime), LongTimeText(st.st_mtime));

  TQZProgrammer& w = ShownWindow();
  const fs::path saved = dir_ / "Log" / name;
  EXPECT_EQ(FileBytes(saved), bytes);
  EXPECT_FALSE(fs::exists(left));
  const std::string said = "The log of an earlier run has been saved to \"" + saved.string() + "\".";
  const std::vector<std::string> texts = LogTexts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), said), 1);
  // This run's journal holds this run's log, the line about the old one too.
  EXPECT_FALSE(JournalHoldingTheLog(w).empty());
}

TEST_F(LogJournalWindowTest, ALogSwitchedOffWritesNoJournal) {
  TQZProgrammer& w = ShownWindow();
  ASSERT_FALSE(JournalHoldingTheLog(w).empty());
  TLogCfgForm& form = w.LogCfgForm();
  form.CheckBoxLog->click();
  ASSERT_FALSE(w.LogCfg.LogEnabled);
  EXPECT_TRUE(LogFolder(".jnl").empty());
  AddInfoLine(Js(), "not kept");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(LogFolder(".jnl").empty());

  // On again: the journal holds the whole log once more.
  form.CheckBoxLog->click();
  EXPECT_FALSE(JournalHoldingTheLog(w).empty());
  form.CheckBoxLog->click();
  ASSERT_TRUE(w.close());
  EXPECT_TRUE(LogFolder("").empty());
}

TEST_F(LogJournalWindowTest, AClearedLogStartsTheJournalAfresh) {
  TQZProgrammer& w = ShownWindow();
  ASSERT_FALSE(JournalHoldingTheLog(w).empty());
  w.ClearInformation1->trigger();
  EXPECT_FALSE(JournalHoldingTheLog(w).empty());  // empty, as the log
  AddInfoLine(Js(), "after the clear");
  const fs::path journal = JournalHoldingTheLog(w);
  ASSERT_FALSE(journal.empty());
  EXPECT_EQ(w.LogLines().size(), 1u);
}

TEST_F(LogJournalWindowTest, ALogThatCannotBeSavedOnCloseStaysForTheNextStart) {
  TQZProgrammer& w = ShownWindow();
  w.LogCfg.AutoLogName = false;
  w.LogCfg.LogWriteMode = LogConfig::Append;
  w.LogCfg.LogFileName = "no/such/folder/mine.log";
  const fs::path journal = JournalHoldingTheLog(w);
  ASSERT_FALSE(journal.empty());
  ASSERT_TRUE(w.close());
  EXPECT_EQ(FileBytes(journal), LogBytes(w.LogLines()));
}
