// The message log's journal: its lines on the disk while the program runs,
// and what the next start makes of a journal left behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "files/LogFile.h"
#include "files/LogJournal.h"
#include "support/TempFile.h"

namespace {

namespace fs = std::filesystem;

// Lines as the log holds them: plain, Chinese (legacy code page in the file)
// and empty.
const std::vector<std::string> kLines = {"> 10:00:00 Hello", "> 10:00:01 C1: 操作成功！", "",
                                         "> 10:00:02 C2: Operation Failed!"};

// The name the recovery gives by the time of the last write.
std::string NameFor(std::time_t when) { return "QZ_" + std::to_string(when) + ".log"; }

class LogJournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = TestScratchDir() / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  std::vector<fs::path> Files(const std::string& ending) const {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(dir_))
      if (e.path().filename().string().ends_with(ending)) out.push_back(e.path());
    return out;
  }
  // What the close handling writes for `lines` to a log file of its own.
  std::string LogFileBytes(const std::vector<std::string>& lines) const {
    const std::string path = (dir_ / "reference.out").string();
    EXPECT_TRUE(WriteLogLines(path, lines, LogWriteMode::Replace));
    const std::string bytes = ReadTestFile(path);
    fs::remove(path);
    return bytes;
  }
  // Polls `path` until it holds `bytes`, for at most `limit`.
  static bool Holds(const fs::path& path, const std::string& bytes, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (ReadTestFile(path.string()) != bytes) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
  fs::path dir_;
};

}  // namespace

TEST_F(LogJournalTest, AKilledProcessLeavesEveryLineItLoggedAndTheNextStartSavesThem) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The running program: a journal, lines logged, then nothing more until
    // it is killed. No flush, no close, no destructor.
    auto* journal = new LogJournal;
    if (!journal->Start(dir_.string(), {kLines[0]})) _exit(1);
    for (size_t i = 1; i < kLines.size(); ++i) journal->Append(kLines[i]);
    const char byte = 1;
    if (write(ready[1], &byte, 1) != 1) _exit(2);
    for (;;) pause();
  }
  close(ready[1]);
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  close(ready[0]);
  const std::vector<fs::path> journals = Files(".jnl");
  ASSERT_EQ(journals.size(), 1u);
  const std::string expected = LogFileBytes(kLines);
  // On the disk within a second of being logged, while the program runs on.
  const bool inTime = Holds(journals[0], expected, std::chrono::milliseconds(1000));
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_TRUE(inTime);
  EXPECT_EQ(ReadTestFile(journals[0].string()), expected);

  struct stat st {};
  ASSERT_EQ(stat(journals[0].c_str(), &st), 0);
  const std::vector<RecoveredJournal> recovered = RecoverJournals(dir_.string(), NameFor);
  ASSERT_EQ(recovered.size(), 1u);
  EXPECT_EQ(recovered[0].journalPath, journals[0].string());
  EXPECT_EQ(recovered[0].logPath, (dir_ / NameFor(st.st_mtime)).string());
  // The bytes a normal close writes for the same lines.
  EXPECT_EQ(ReadTestFile(recovered[0].logPath), expected);
  EXPECT_TRUE(Files(".jnl").empty());
}

TEST_F(LogJournalTest, RestartDiscardAndKeep) {
  LogJournal journal;
  ASSERT_TRUE(journal.Start(dir_.string(), kLines));
  const fs::path path = journal.Path();
  journal.Flush();
  EXPECT_EQ(ReadTestFile(path.string()), LogFileBytes(kLines));

  // A cleared log: the journal holds only what the log holds from then on.
  journal.Restart({});
  journal.Append("after");
  journal.Flush();
  EXPECT_EQ(ReadTestFile(path.string()), LogFileBytes({"after"}));

  journal.Discard();
  EXPECT_FALSE(journal.Active());
  EXPECT_FALSE(fs::exists(path));
  journal.Append("nothing");  // no journal, no file

  ASSERT_TRUE(journal.Start(dir_.string(), {"kept"}));
  const fs::path kept = journal.Path();
  journal.Keep();
  EXPECT_EQ(ReadTestFile(kept.string()), LogFileBytes({"kept"}));
  EXPECT_TRUE(Files(".new").empty());
}

TEST_F(LogJournalTest, RecoveryLeavesARunningJournalAloneAndNamesBySecond) {
  LogJournal running;
  ASSERT_TRUE(running.Start(dir_.string(), {"still running"}));
  // Left behind by earlier runs: one with lines, whose own second's name is
  // taken, and an empty one.
  const fs::path left = dir_ / "Journal_1.jnl";
  std::ofstream(left, std::ios::binary) << "old\r\n";
  std::ofstream(dir_ / "Journal_2.jnl", std::ios::binary).flush();
  struct stat st {};
  ASSERT_EQ(stat(left.c_str(), &st), 0);
  std::ofstream(dir_ / NameFor(st.st_mtime), std::ios::binary) << "a log of that second";

  const std::vector<RecoveredJournal> recovered = RecoverJournals(dir_.string(), NameFor);
  ASSERT_EQ(recovered.size(), 1u);
  EXPECT_EQ(recovered[0].journalPath, left.string());
  EXPECT_EQ(recovered[0].logPath, (dir_ / NameFor(st.st_mtime + 1)).string());
  EXPECT_EQ(ReadTestFile(recovered[0].logPath), "old\r\n");
  EXPECT_EQ(ReadTestFile((dir_ / NameFor(st.st_mtime)).string()), "a log of that second");
  // The running program's journal is its own still; the empty one is gone.
  EXPECT_EQ(Files(".jnl"), std::vector<fs::path>{fs::path(running.Path())});
  running.Flush();
  EXPECT_EQ(ReadTestFile(running.Path()), "still running\r\n");
}
