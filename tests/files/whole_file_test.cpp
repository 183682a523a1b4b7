#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "files/WholeFile.h"
#include "support/OrdinaryUser.h"
#include "support/TempFile.h"

namespace {

namespace fs = std::filesystem;

// A folder of its own per test, so that a left temporary file shows.
class WholeFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = TestScratchDir() / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(dir_);
  }
  // The names in a folder, so that a left temporary file is named.
  static std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  static std::string Read(const fs::path& path) {
    std::string back;
    const std::string error = ReadWholeFile(path.string(), back);
    return error.empty() ? back : error;
  }
  fs::path dir_;
};

TEST_F(WholeFile, WritesReplaceOnlyWhenComplete) {
  const std::string path = (dir_ / "job.TKP").string();
  EXPECT_EQ(WriteWholeFile(path, "first"), "");
  ::chmod(path.c_str(), 0640);
  EXPECT_EQ(WriteWholeFile(path, "second"), "");
  EXPECT_EQ(Read(path), "second");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);  // the replaced file's permissions stay
  std::string back;
  EXPECT_EQ(ReadWholeFile(path, back, 3), "");
  EXPECT_EQ(back, "sec");

  // A target that cannot be replaced keeps what it was and leaves no
  // temporary file behind.
  fs::create_directories(dir_ / "taken.TKP");
  EXPECT_EQ(WriteWholeFile((dir_ / "taken.TKP").string(), "x"),
            "Cannot create file \"" + (dir_ / "taken.TKP").string() + "\". " + std::strerror(EISDIR));
  EXPECT_TRUE(fs::is_directory(dir_ / "taken.TKP"));
  // A pipe is refused at once, not opened and waited on.
  ASSERT_EQ(::mkfifo((dir_ / "pipe.TKP").c_str(), 0644), 0);
  EXPECT_NE(WriteWholeFile((dir_ / "pipe.TKP").string(), "x"), "");
  EXPECT_TRUE(fs::is_fifo(dir_ / "pipe.TKP"));
  EXPECT_EQ(WriteWholeFile((dir_ / "missing" / "a.TKP").string(), "x"),
            "Cannot create file \"" + (dir_ / "missing" / "a.TKP").string() + "\". " +
                std::strerror(ENOENT));
  EXPECT_EQ(Names(dir_), (std::vector<std::string>{"job.TKP", "pipe.TKP", "taken.TKP"}));

  EXPECT_NE(ReadWholeFile((dir_ / "none.TKP").string(), back), "");
  EXPECT_NE(ReadWholeFile(dir_.string(), back), "");
}

TEST_F(WholeFile, NamesUpToTheLongestLegalOneAreWritten) {
  for (size_t length = 251; length <= 255; ++length) {
    const std::string name = std::string(length - 4, 'p') + ".TKP";
    const std::string path = (dir_ / name).string();
    EXPECT_EQ(WriteWholeFile(path, "first"), "") << length;
    EXPECT_EQ(WriteWholeFile(path, "second"), "") << length;
    EXPECT_EQ(Read(path), "second") << length;
    fs::remove(path);
  }
  EXPECT_TRUE(Names(dir_).empty());
}

TEST_F(WholeFile, SymbolicLinksStayAndTheFileTheyNameIsWritten) {
  struct Case {
    const char* name;
    std::string link;    // the path written to
    std::string target;  // what the first link holds
    std::string written;  // the file that gets the bytes
  };
  fs::create_directories(dir_ / "shared");
  fs::create_directories(dir_ / "jobs");
  const std::string shared = (dir_ / "shared" / "common.TKP").string();
  const Case cases[] = {
      {"relative link", (dir_ / "jobs" / "rel.TKP").string(), "../shared/common.TKP", shared},
      {"absolute link", (dir_ / "jobs" / "abs.TKP").string(), shared, shared},
      {"link to a link", (dir_ / "jobs" / "chain.TKP").string(), "rel.TKP", shared},
      {"link to a file not there yet", (dir_ / "jobs" / "new.TKP").string(), "../shared/new.TKP",
       (dir_ / "shared" / "new.TKP").string()},
  };
  ASSERT_EQ(WriteWholeFile(shared, "old"), "");
  for (const Case& c : cases) fs::create_symlink(c.target, c.link);
  for (const Case& c : cases) {
    const std::string bytes = std::string("image of ") + c.name;
    EXPECT_EQ(WriteWholeFile(c.link, bytes), "") << c.name;
    EXPECT_TRUE(fs::is_symlink(c.link)) << c.name;
    EXPECT_EQ(fs::read_symlink(c.link).string(), c.target) << c.name;
    EXPECT_EQ(Read(c.written), bytes) << c.name;
  }
  EXPECT_EQ(Names(dir_ / "shared"), (std::vector<std::string>{"common.TKP", "new.TKP"}));
  EXPECT_EQ(Names(dir_ / "jobs"), (std::vector<std::string>{"abs.TKP", "chain.TKP", "new.TKP", "rel.TKP"}));

  // Links that only lead to each other are refused.
  fs::create_symlink("loop2.TKP", dir_ / "jobs" / "loop1.TKP");
  fs::create_symlink("loop1.TKP", dir_ / "jobs" / "loop2.TKP");
  EXPECT_NE(WriteWholeFile((dir_ / "jobs" / "loop1.TKP").string(), "x"), "");
  EXPECT_TRUE(fs::is_symlink(dir_ / "jobs" / "loop1.TKP"));
}

TEST_F(WholeFile, ReadOnlyFileIsRefusedAndKeptWhole) {
  const std::optional<OrdinaryUser> user = FindOrdinaryUser();
  if (!user) GTEST_SKIP() << "running as root without an account \"nobody\" to drop to";
  // The user's own folder and file, as an operator has them.
  const std::string path = (dir_ / "job.TKP").string();
  ASSERT_EQ(WriteWholeFile(path, "kept"), "");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  ASSERT_EQ(::chown(dir_.c_str(), user->uid, user->gid), 0);
  ASSERT_EQ(::chown(path.c_str(), user->uid, user->gid), 0);

  const std::string verdict = RunAsUser(*user, [&]() -> std::string {
    const std::string error = WriteWholeFile(path, "replaced");
    const std::string expected = "Cannot create file \"" + path + "\". " + std::strerror(EACCES);
    if (error != expected) return "reason: \"" + error + "\", want \"" + expected + "\"";
    return "";
  });
  EXPECT_EQ(verdict, "");
  EXPECT_EQ(Read(path), "kept");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
  EXPECT_EQ(Names(dir_), std::vector<std::string>{"job.TKP"});
}

}  // namespace
