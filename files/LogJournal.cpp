#include "files/LogJournal.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "files/LogFile.h"
#include "files/WriteAll.h"

namespace {

constexpr const char* kJournalPrefix = "Journal_";
constexpr const char* kJournalSuffix = ".jnl";
// A name the next start does not look at, for the moment before the lock.
constexpr const char* kCreatingSuffix = ".new";
// How many later seconds a recovered log may be named by when its own
// second's name is taken.
constexpr int kNameAttempts = 100;

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool IsJournalName(const std::string& name) {
  return name.rfind(kJournalPrefix, 0) == 0 && EndsWith(name, kJournalSuffix);
}

}  // namespace

LogJournal::~LogJournal() { Discard(); }

bool LogJournal::Start(const std::string& folder, std::vector<std::string> lines) {
  if (Active()) return true;
  const std::string base = folder + "/" + kJournalPrefix + std::to_string(::getpid());
  const std::string creating = base + kCreatingSuffix;
  const std::string path = base + kJournalSuffix;
  // Locked under a name of its own first, so that a program starting in the
  // same folder meanwhile never takes the new journal for a left-over one.
  const int fd = ::open(creating.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::rename(creating.c_str(), path.c_str()) != 0) {
    ::unlink(creating.c_str());
    ::close(fd);
    return false;
  }
  fd_ = fd;
  path_ = path;
  stop_ = false;
  discard_ = false;
  queued_ = 0;
  done_ = 0;
  try {
    writer_ = std::thread([this] { Run(); });
  } catch (...) {
    ::unlink(path.c_str());
    ::close(std::exchange(fd_, -1));
    path_.clear();
    return false;
  }
  for (std::string& line : lines) Append(std::move(line));
  return true;
}

void LogJournal::Push(Entry* entry) {
  entry->next = pending_.load(std::memory_order_relaxed);
  while (!pending_.compare_exchange_weak(entry->next, entry, std::memory_order_release,
                                         std::memory_order_relaxed)) {
  }
  ++queued_;
  pushes_.fetch_add(1, std::memory_order_release);
  pushes_.notify_one();
}

void LogJournal::Append(std::string line) {
  if (!Active()) return;
  Push(new Entry{false, std::move(line)});
}

void LogJournal::Restart(std::vector<std::string> lines) {
  if (!Active()) return;
  Push(new Entry{true, {}});
  for (std::string& line : lines) Push(new Entry{false, std::move(line)});
}

void LogJournal::Flush() {
  if (!Active()) return;
  std::unique_lock guard(doneLock_);
  written_.wait(guard, [&] { return done_ >= queued_; });
}

void LogJournal::Discard() { Stop(true); }

void LogJournal::Keep() { Stop(false); }

void LogJournal::Stop(bool discard) {
  if (!Active()) return;
  discard_ = discard;
  stop_ = true;
  pushes_.fetch_add(1, std::memory_order_release);
  pushes_.notify_one();
  writer_.join();
  FreeList(pending_.exchange(nullptr));  // what a discarding writer left
  // Removed while still locked: no other program sees it unlocked.
  if (discard) ::unlink(path_.c_str());
  ::close(std::exchange(fd_, -1));
  path_.clear();
}

void LogJournal::FreeList(Entry* list) {
  while (list != nullptr) delete std::exchange(list, list->next);
}

void LogJournal::Run() {
  for (;;) {
    const uint32_t seen = pushes_.load(std::memory_order_acquire);
    if (discard_) return;
    Entry* taken = pending_.exchange(nullptr, std::memory_order_acquire);
    if (taken == nullptr) {
      if (stop_) return;
      pushes_.wait(seen, std::memory_order_acquire);
      continue;
    }
    // Newest first as taken: turned round into the order logged.
    Entry* batch = nullptr;
    uint64_t count = 0;
    while (taken != nullptr) {
      Entry* next = taken->next;
      taken->next = batch;
      batch = taken;
      taken = next;
      ++count;
    }
    std::string bytes;
    bool empty = false;
    for (const Entry* entry = batch; entry != nullptr; entry = entry->next) {
      if (entry->restart) {
        bytes.clear();
        empty = true;
      } else {
        bytes += LogFileLine(entry->line);
      }
    }
    FreeList(batch);
    // A failed write loses those lines from the journal only; the log
    // itself and its saving on close are not touched.
    if (empty) (void)::ftruncate(fd_, 0);
    if (!bytes.empty()) (void)WriteAll(fd_, bytes);
    // On the disk itself, so a power cut keeps what was written.
    ::fdatasync(fd_);
    {
      std::lock_guard guard(doneLock_);
      done_ += count;
    }
    written_.notify_all();
  }
}

std::vector<RecoveredJournal> RecoverJournals(
    const std::string& folder, const std::function<std::string(std::time_t)>& logFileNameFor) {
  std::vector<RecoveredJournal> out;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return out;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (IsJournalName(name)) names.push_back(name);
  }
  ::closedir(dir);

  for (const std::string& name : names) {
    const std::string journal = folder + "/" + name;
    const int fd = ::open(journal.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    // A journal that a running program holds stays where it is.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &st) != 0) {
      ::close(fd);
      continue;
    }
    if (st.st_size == 0) {
      ::unlink(journal.c_str());
      ::close(fd);
      continue;
    }
    RecoveredJournal result{journal, {}, EEXIST};
    for (int i = 0; i < kNameAttempts && result.logPath.empty(); ++i) {
      const std::string target = folder + "/" + logFileNameFor(st.st_mtime + i);
      struct stat taken {};
      if (::lstat(target.c_str(), &taken) == 0) continue;
      if (::rename(journal.c_str(), target.c_str()) == 0) {
        result.logPath = target;
        result.error = 0;
      } else {
        result.error = errno;
        break;
      }
    }
    ::close(fd);
    out.push_back(result);
  }
  return out;
}
